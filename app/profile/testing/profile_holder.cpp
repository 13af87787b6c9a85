// A second Kivo process for the tests of the one-owner rule of a profile
// folder: it opens the normal profile in the folder given as its argument,
// prints "owner" or "locked-out", and holds the profile until its standard
// input ends. Test code only.
#include <QCoreApplication>

#include <cstdio>

#include "profile/browsing_profile.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc != 2) {
    std::fputs("usage: kivo-profile-holder FOLDER\n", stderr);
    return 2;
  }
  BrowsingProfile profile(false, QString::fromLocal8Bit(argv[1]));
  std::fputs(profile.ownsFiles() ? "owner\n" : "locked-out\n", stdout);
  std::fflush(stdout);
  char buffer[256];
  while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
  }
  return 0;
}

// The network suite's checks of the browsing profile: the private profile
// (it records no history and creates no folder), the update rules, and the
// downloads (exact bytes, replacement with fresh quarantine marks, the list
// surviving a restart, digest and length verification, removal keeping the
// file, progress, cancellation, and the end of a private session).
//
// The profiles, their stores and their jobs live on the main thread, and the
// jobs report there through its event loop: every function here runs on the
// main thread (runOnMainThread() takes a worker's call there) and waits by
// running the main thread's events. Each wait gives up after the frame's
// patience: in the suite 10 seconds.
#pragma once

#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>

class BrowsingProfile;

// How long a wait for a condition lasts before it gives up, a bound that only
// a fault reaches. The suite waits as below; tests of the checks choose their
// own.
struct Patience {
  std::chrono::milliseconds bound{10'000};
};

// What the checks use of the suite that runs them.
struct ProfileSuiteFrame {
  // The fixture address base/<path>.
  std::function<QUrl(const QString& path)> fixture;
  // Counts and prints a holding check ("PASS <name>"); throws SmokeFailure
  // with `name` otherwise.
  std::function<void(bool condition, const QString& name)> check;
  // The suite's temporary folder; the downloads land directly in it.
  QString folder;
  // How long each wait of the checks may last.
  Patience patience;
};

// Shows `address` in a window model of `profile` as a navigation would
// (fetch, subresources, render, and a visit recorded for a normal profile);
// returns once the page is laid out. Blocks; throws the load's error.
using PageShower = std::function<void(BrowsingProfile& profile, const QUrl& address)>;

// Runs `work` on the main thread and waits for it; its exception is rethrown
// in the calling thread. Called on the main thread, runs it at once.
void runOnMainThread(const std::function<void()>& work);

// Runs the main thread's events until `condition` holds there
// (MainThread::waitUntil); when `patience` runs out first, throws
// SmokeFailure with `name`. Called from a worker too.
void untilHolds(const QString& name, const std::function<bool()>& condition, const Patience& patience = Patience());

// The private-profile checks (two passes). `showPage` stands for the
// private window's navigation; empty, the profile's own services load it.
void runPrivateProfileChecks(const ProfileSuiteFrame& frame, BrowsingProfile& normal, BrowsingProfile& privateProfile,
                             const PageShower& showPage = {});

// The update-rule checks (two passes).
void runUpdateRuleChecks(const ProfileSuiteFrame& frame);

// The download checks (ten passes). Ends the private profile's session; the
// caller then closes the normal transport and prints the count line.
void runDownloadChecks(const ProfileSuiteFrame& frame, BrowsingProfile& normal, BrowsingProfile& privateProfile);

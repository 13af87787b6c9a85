#include "model/library_page.h"

#include <gtest/gtest.h>

namespace {

// Mostly-ASCII texts (long addresses) fold on a short path; what comes out
// must be what the full folding gives for the whole text, also where ASCII
// and other characters meet.
TEST(LibraryPageTest, SearchFoldingIsTheSameWhereAsciiAndOtherLettersMeet) {
  struct Case {
    QString text;
    QString folded;
  };
  const Case cases[] = {
      {QStringLiteral("HTTPS://Example.COM/Path?Q=1"), QStringLiteral("https://example.com/path?q=1")},
      {QStringLiteral("Çay Evi https://ÇAY.example/"), QStringLiteral("cay evi https://cay.example/")},
      // A combining accent after an ASCII letter, and letters that decompose
      // into ASCII.
      {QStringLiteral("Cafe\u0301 \uFB01LE \uFF21B"), QStringLiteral("cafe file ab")},
      {QStringLiteral("İSTANBUL ılık"), QStringLiteral("istanbul ılık")},
      {QString(), QString()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LibraryPage::searchFolded(c.text), c.folded) << c.text.toStdString();
  }
}

}  // namespace

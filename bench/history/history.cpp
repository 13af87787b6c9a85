// Times the history page over the largest history the store keeps: 5,000
// visits (its entry limit), each with an address of 8,192 UTF-8 bytes and a
// title of 250 characters (the longest it records or reads):
// 1. building the page and its first paint, which lists every visit;
// 2. a search typed into the page, one character at a time, each keystroke
//    filtering the whole list again, with the repaint that follows;
// 3. reading the largest history file the store accepts whose one visit
//    carries a title of 7 MiB, which the reader cuts to 250 characters.
//
//   kivo-bench-history [--rounds N]
//
// Prints medians and maxima; the exit status says only whether it could run.
#include <QApplication>
#include <QLineEdit>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "../widget_bench_main.h"
#include "kit/motion.h"
#include "pages/history_view.h"
#include "pages/pages_test_support.h"
#include "platform/display_platform.h"
#include "platform/temporary_folder.h"
#include "profile/history_store.h"
#include "profile/profile_files.h"

namespace {

using namespace WidgetBench;

// An address of exactly `bytes` UTF-8 bytes, different for every `index`.
QString longestAddress(int index) {
  const QString head = QStringLiteral("https://example.com/%1/").arg(index);
  return head + QString(HistoryStore::kAddressLimit - head.size(), QLatin1Char('a'));
}

// A title of exactly the longest length, in Turkish letters.
QString longestTitle(int index) {
  const QString words = QStringLiteral("Çay bahçesinde güneşli bir öğleden sonra %1 ").arg(index);
  return words.repeated(HistoryStore::kTitleLimit / words.size() + 1).left(HistoryStore::kTitleLimit);
}

bool run(int rounds) {
  auto preferences = PagesTest::preferences(QStringLiteral("kivo-bench-history"));
  auto model = PagesTest::model(preferences);
  HistoryStore& store = model->profile()->history();
  for (int i = 0; i < HistoryStore::kEntryLimit; ++i) store.record(longestAddress(i), longestTitle(i), store.revision());
  if (store.entries().size() != HistoryStore::kEntryLimit ||
      store.entries().first().address.toUtf8().size() != HistoryStore::kAddressLimit ||
      store.entries().first().title.size() != HistoryStore::kTitleLimit) {
    std::fputs("kivo-bench-history: the store did not keep the largest history\n", stderr);
    return false;
  }

  // 1. Building the page with its first paint.
  std::vector<double> builds;
  for (int i = 0; i < rounds; ++i) {
    const Clock::time_point start = Clock::now();
    HistoryView view(*model, store);
    view.resize(1200, 800);
    view.show();
    QApplication::processEvents();
    view.repaint();
    builds.push_back(milliseconds(Clock::now() - start));
  }

  // 2. A search typed one character at a time.
  std::vector<double> keystrokes;
  {
    HistoryView view(*model, store);
    view.resize(1200, 800);
    view.show();
    QApplication::processEvents();
    const QString query = QStringLiteral("güneşli 4999");
    for (int i = 0; i < rounds; ++i) {
      view.searchField()->clear();
      for (const QChar c : query) {
        const Clock::time_point start = Clock::now();
        view.searchField()->insert(QString(c));
        view.repaint();
        keystrokes.push_back(milliseconds(Clock::now() - start));
      }
    }
  }

  // 3. Reading the largest accepted file with one huge title.
  std::vector<double> reads;
  {
    TemporaryFolder folder(QStringLiteral("kivo-bench-history-"));
    const QString file = folder.filePath(QStringLiteral("history.json"));
    const QByteArray head = R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":"https://a.com/","title":")";
    const QByteArray tail = R"(","visitedAt":1}])";
    ProfileFiles::write(head + QByteArray(HistoryStore::kFileLimit - head.size() - tail.size(), 'b') + tail, file);
    for (int i = 0; i < rounds; ++i) {
      const Clock::time_point start = Clock::now();
      HistoryStore read(file);
      reads.push_back(milliseconds(Clock::now() - start));
      if (read.entries().size() != 1 || read.entries().first().title.size() != HistoryStore::kTitleLimit) {
        std::fputs("kivo-bench-history: the file was not read as expected\n", stderr);
        return false;
      }
    }
  }

  std::printf("history page (%lld visits, addresses of %lld bytes, titles of %lld characters) over %d rounds:\n"
              "  build the page and paint once       %8.2f ms median, %8.2f ms max\n"
              "  one search keystroke and repaint    %8.2f ms median, %8.2f ms max\n"
              "  read an 8 MiB file, title of 8 MiB  %8.2f ms median, %8.2f ms max\n",
              static_cast<long long>(store.entries().size()), static_cast<long long>(HistoryStore::kAddressLimit),
              static_cast<long long>(HistoryStore::kTitleLimit), rounds, median(builds), maximum(builds),
              median(keystrokes), maximum(keystrokes), median(reads), maximum(reads));
  return true;
}

}  // namespace

int main(int argc, char** argv) { return runWidgetBench(argc, argv, "kivo-bench-history", 10, run); }

#include "profile/background_writer.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "profile/profile_test_support.h"

namespace {

using ProfileTestSupport::runEventsUntil;
using ProfileTestSupport::Signal;

// Saves that note themselves in order; the first one waits at a gate until
// the test opens it.
class SaveLog {
public:
  BackgroundWriter::Save save(int number, std::optional<QString> outcome = std::nullopt) {
    return [this, number, outcome] {
      if (number == 1) {
        m_entered.raise();
        EXPECT_TRUE(m_gate.wait());
      }
      std::lock_guard lock(m_mutex);
      m_made.push_back(number);
      return outcome;
    };
  }
  std::vector<int> made() {
    std::lock_guard lock(m_mutex);
    return m_made;
  }
  Signal& entered() { return m_entered; }
  void open() { m_gate.raise(); }

private:
  std::mutex m_mutex;
  std::vector<int> m_made;
  Signal m_entered;
  Signal m_gate;
};

struct Reports {
  std::vector<std::optional<QString>> outcomes;
  bool onContextThread = true;
  BackgroundWriter::Report report() {
    return [this](const std::optional<QString>& outcome) {
      onContextThread = onContextThread && QThread::currentThread() == QCoreApplication::instance()->thread();
      outcomes.push_back(outcome);
    };
  }
};

class BackgroundWriterTest : public testing::Test {
protected:
  QObject context;
  Reports reports;
  SaveLog log;
  std::optional<BackgroundWriter> writer{std::in_place, &context, reports.report()};
};

TEST_F(BackgroundWriterTest, SavesAskedForWhileOneRunsCollapseIntoTheLatest) {
  writer->save(log.save(1, QStringLiteral("first")));
  ASSERT_TRUE(log.entered().wait());
  writer->save(log.save(2));
  writer->save(log.save(3));
  writer->save(log.save(4, QStringLiteral("latest")));
  log.open();
  writer->flush();
  EXPECT_EQ(log.made(), (std::vector<int>{1, 4}));
  // flush() reports the last outcome at once; the queued report of the first
  // save, older, is then dropped.
  ASSERT_EQ(reports.outcomes.size(), 1u);
  EXPECT_EQ(reports.outcomes.back(), QStringLiteral("latest"));
  QCoreApplication::processEvents();
  EXPECT_EQ(reports.outcomes.size(), 1u);
  // A later save runs again.
  writer->save(log.save(5));
  writer->flush();
  EXPECT_EQ(log.made(), (std::vector<int>{1, 4, 5}));
  EXPECT_EQ(reports.outcomes.back(), std::nullopt);
}

TEST_F(BackgroundWriterTest, OutcomesReachTheContextThreadInOrder) {
  writer->save(log.save(1, QStringLiteral("failed")));
  ASSERT_TRUE(log.entered().wait());
  writer->save(log.save(2));
  log.open();
  ASSERT_TRUE(runEventsUntil([&] { return reports.outcomes.size() == 2; }));
  EXPECT_EQ(reports.outcomes, (std::vector<std::optional<QString>>{QStringLiteral("failed"), std::nullopt}));
  EXPECT_TRUE(reports.onContextThread);
  writer->flush();
  EXPECT_EQ(reports.outcomes.size(), 2u) << "an outcome is reported once";
}

TEST_F(BackgroundWriterTest, GoingAwayWaitsForTheRunningAndTheWaitingSave) {
  writer->save(log.save(1));
  ASSERT_TRUE(log.entered().wait());
  writer->save(log.save(2));
  log.open();
  writer.reset();
  EXPECT_EQ(log.made(), (std::vector<int>{1, 2}));
  QCoreApplication::processEvents();
  EXPECT_TRUE(reports.outcomes.empty()) << "nothing is reported once the writer is gone";
}

}  // namespace

#include "support/regular_file_read.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace {

using kivo_support::FileRead;
using kivo_support::read_regular_file;

class RegularFileRead : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kivo-file-read-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    m_folder = pattern;
  }
  void TearDown() override {
    const std::string command = "rm -rf '" + m_folder + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
  std::string write(const std::string& name, const std::string& content) {
    const std::string path = m_folder + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string m_folder;
};

TEST_F(RegularFileRead, ReadsUpToTheBound) {
  const std::string large(10'000, 'x');
  struct Case {
    std::string content;
    std::size_t bound;
    std::string expected;
  };
  const Case cases[] = {
      {"", 8, ""},
      {"abc", 8, "abc"},
      {"abcdefgh", 8, "abcdefgh"},
      {"abcdefghi", 8, "abcdefgh"},
      {std::string("a\0b", 3), 8, std::string("a\0b", 3)},
      {large, 20'000, large},
      {large, 9'000, large.substr(0, 9'000)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content.size());
    SCOPED_TRACE(c.bound);
    const FileRead read = read_regular_file(write("page.html", c.content), c.bound);
    EXPECT_EQ(read.status, FileRead::Status::Read);
    EXPECT_EQ(read.content, c.expected);
  }
}

TEST_F(RegularFileRead, TellsTheSizeBeforeReadingCappedAtTheBound) {
  const std::string path = write("page.html", std::string(100, 'y'));
  for (const auto& [bound, told] : {std::pair<std::size_t, std::size_t>{1'000, 100}, {40, 40}}) {
    std::optional<std::size_t> size;
    const FileRead read = read_regular_file(path, bound, [&size](std::size_t n) { size = n; });
    EXPECT_EQ(read.status, FileRead::Status::Read);
    EXPECT_EQ(size, told);
  }
}

TEST_F(RegularFileRead, FollowsLinksToRegularFiles) {
  const std::string target = write("page.html", "linked");
  const std::string link = m_folder + "/link.html";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  const FileRead read = read_regular_file(link, 100);
  EXPECT_EQ(read.status, FileRead::Status::Read);
  EXPECT_EQ(read.content, "linked");
}

TEST_F(RegularFileRead, RefusesWhatIsNotARegularFileWithoutWaiting) {
  const std::string fifo = m_folder + "/pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {m_folder, fifo, std::string("/dev/null")}) {
    SCOPED_TRACE(path);
    bool told = false;
    const FileRead read = read_regular_file(path, 100, [&told](std::size_t) { told = true; });
    EXPECT_EQ(read.status, FileRead::Status::NotRegular);
    EXPECT_TRUE(read.content.empty());
    EXPECT_FALSE(told);
  }
}

TEST_F(RegularFileRead, ReportsTheFailingCallsError) {
  const struct {
    std::string path;
    int error;
  } cases[] = {
      {m_folder + "/missing.html", ENOENT},
      {write("file", "x") + "/below", ENOTDIR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const FileRead read = read_regular_file(c.path, 100);
    EXPECT_EQ(read.status, FileRead::Status::Failed);
    EXPECT_EQ(read.error, c.error);
  }
}

}  // namespace

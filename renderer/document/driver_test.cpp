// The driver in-process, without the sandbox: the file source and the order in
// which arguments, the sandbox hook and input are handled.
#include "document/driver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kivo_document {
namespace {

class FileSource : public testing::Test {
 protected:
  void SetUp() override {
    char dir_template[] = "/tmp/kivo-driver-XXXXXX";
    ASSERT_NE(::mkdtemp(dir_template), nullptr);
    m_dir = dir_template;
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }

  std::string write_file(const std::string& name, const std::string& content) {
    const std::string path = m_dir + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string path(const std::string& name) const { return m_dir + "/" + name; }

  struct Outcome {
    std::string out;
    std::string err;  // empty on success
  };
  static Outcome run_with(std::vector<std::string> args) {
    args.insert(args.begin(), "kivo-document");
    Reader input = Reader::from_bytes("");
    kivo_json::StringOutput output;
    auto r = run(args, input, output);
    return {output.text, r ? std::string() : r.error().display()};
  }

  std::string m_dir;
};

const std::string kHelloBlocks = "{\"version\":1,\"blocks\":[{\"heading\":0,\"text\":\"Hello\"}]}\n";

TEST_F(FileSource, RegularFileIsRead) {
  const Outcome o = run_with({write_file("page.html", "<p>Hello</p>")});
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, kHelloBlocks);
}

TEST_F(FileSource, SizeBoundIsExactlyOneMebibyte) {
  // One mebibyte of text is accepted whole; one byte more is refused.
  const Outcome at_limit = run_with({write_file("limit.html", std::string(1'048'576, 'a')), "0"});
  EXPECT_EQ(at_limit.err, "");
  EXPECT_EQ(at_limit.out, "{\"resources\":[],\"base\":null,\"limited\":false}\n");
  const Outcome over = run_with({write_file("over.html", std::string(1'048'577, 'a'))});
  EXPECT_EQ(over.err, "HTML file exceeds 1 MiB");
  EXPECT_EQ(over.out, "");
  auto content = read_file_source(path("limit.html"));
  ASSERT_TRUE(content.ok());
  EXPECT_EQ(content->size(), 1'048'576u);
}

TEST_F(FileSource, LinksAreFollowed) {
  write_file("page.html", "<p>Hello</p>");
  ASSERT_EQ(::symlink(path("page.html").c_str(), path("link.html").c_str()), 0);
  ASSERT_EQ(::symlink(m_dir.c_str(), path("dir-link").c_str()), 0);
  ASSERT_EQ(::symlink(path("missing").c_str(), path("dangling").c_str()), 0);
  EXPECT_EQ(run_with({path("link.html")}).out, kHelloBlocks);
  EXPECT_EQ(run_with({path("dir-link")}).err, "expected a regular file");
  EXPECT_EQ(run_with({path("dangling")}).err, "No such file or directory (os error 2)");
}

TEST_F(FileSource, OnlyRegularFilesAreRead) {
  // A FIFO without a writer would block a plain open or read forever.
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
  EXPECT_EQ(run_with({path("fifo")}).err, "expected a regular file");
  EXPECT_EQ(run_with({m_dir}).err, "expected a regular file");
  EXPECT_EQ(run_with({"/dev/null"}).err, "expected a regular file");
  EXPECT_EQ(run_with({path("missing.html")}).err, "No such file or directory (os error 2)");
  EXPECT_EQ(run_with({""}).err, "No such file or directory (os error 2)");
  EXPECT_EQ(run_with({path("fifo") + "/x"}).err, "Not a directory (os error 20)");
}

TEST_F(FileSource, FileStartingWithTheMagicIsAnEnvelope) {
  const std::string html = "<p>Hello</p>";
  const std::string envelope = std::string("KIVO-R1\0\0\0\0", 11) + static_cast<char>(html.size()) + html;
  EXPECT_EQ(run_with({write_file("envelope.bin", envelope)}).out, kHelloBlocks);
  EXPECT_EQ(run_with({write_file("bad.bin", std::string("KIVO-R1\0", 8) + "\0\0")}).err,
            "failed to fill whole buffer");
  EXPECT_EQ(run_with({write_file("latin1.html", "<p>caf\xe9</p>")}).err, "Invalid or oversized resource envelope");
}

TEST(Run, SandboxHookComesAfterTheArgumentsAndBeforeInput) {
  struct Case {
    std::vector<std::string> args;
    bool hook_called;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"kivo-document"}, false, "expected one local HTML file"},
      {{"kivo-document", "--stdin", "x"}, false, "invalid float literal"},
      {{"kivo-document", "--stdin", "0", "1"}, false, "expected file and optional viewport width"},
      {{"kivo-document", "--stdin"}, true, "refused by the test"},
      {{"kivo-document", "/dev/null", "0"}, true, "refused by the test"},
  };
  for (const Case& c : cases) {
    Reader input = Reader::from_bytes(std::string("\0\0\0\0", 4));
    kivo_json::StringOutput output;
    bool called = false;
    auto r = run(c.args, input, output, [&]() -> kivo_dom::Result<void, RunError> {
      called = true;
      return kivo_dom::err(RunError::message("refused by the test"));
    });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(called, c.hook_called) << c.args.size();
    EXPECT_EQ(r.error().display(), c.err);
    // Input stays unread: the frame is still there afterwards.
    char length[4];
    EXPECT_TRUE(input.read_exact(length, 4).ok());
  }
}

TEST(Run, FinishedHookSeesTheWholeOutputAndOnlyOnSuccess) {
  const std::string frame = std::string("\0\0\0\x0c<p>Hello</p>", 16);
  Reader input = Reader::from_bytes(frame);
  kivo_json::StringOutput output;
  std::string seen;
  int calls = 0;
  auto r = run({"kivo-document", "--stdin"}, input, output, {}, [&] {
    seen = output.text;
    ++calls;
  });
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, kHelloBlocks);

  Reader truncated = Reader::from_bytes(frame.substr(0, 10));
  auto failed = run({"kivo-document", "--stdin"}, truncated, output, {}, [&] { ++calls; });
  EXPECT_FALSE(failed.ok());
  EXPECT_EQ(calls, 1);
}

TEST(Run, ErrorKindsAreKept) {
  Reader input = Reader::from_bytes("");
  kivo_json::StringOutput output;
  auto width = run({"kivo-document", "--stdin", ""}, input, output);
  EXPECT_EQ(width.error().kind, RunError::Kind::FloatParse);
  auto frame = run({"kivo-document", "--stdin"}, input, output);
  EXPECT_EQ(frame.error().kind, RunError::Kind::Io);
  EXPECT_EQ(frame.error().display(), "failed to fill whole buffer");
  Reader with_nul = Reader::from_bytes(std::string("\0\0\0\x05<p>\0>", 9));
  auto parse = run({"kivo-document", "--stdin"}, with_nul, output);
  EXPECT_EQ(parse.error().kind, RunError::Kind::Parse);
  EXPECT_EQ(output.text, "");
}

}  // namespace
}  // namespace kivo_document

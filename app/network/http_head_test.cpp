#include "network/http_head.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

HttpHead headWith(const QList<std::pair<QByteArray, QByteArray>>& fields, const char* url = "http://example.com/dir/file.zip",
                  int status = 200) {
  HttpHead head;
  head.url = QUrl(QString::fromLatin1(url));
  head.status = status;
  head.fields = fields;
  return head;
}

TEST(HttpHead, DeclaredLength) {
  const std::vector<std::pair<QList<std::pair<QByteArray, QByteArray>>, qint64>> cases = {
      {{{"content-length", "42"}}, 42},
      {{}, -1},
      {{{"content-length", "42"}, {"content-length", "42"}}, 42},
      {{{"content-length", "42"}, {"content-length", "43"}}, -1},
      {{{"content-length", "-1"}}, -1},
      {{{"content-length", "4294967297"}}, 4'294'967'297},
      {{{"content-length", "10"}, {"transfer-encoding", "chunked"}}, -1},
      {{{"content-length", "42, 42"}}, 42},
      {{{"content-length", "42,042 ,"}, {"content-length", "42"}}, 42},
      {{{"content-length", "42, 43"}}, -1},
      {{{"content-length", "42, x"}}, -1},
      {{{"content-length", "9223372036854775807"}}, 9'223'372'036'854'775'807},
      {{{"content-length", "0000000000000000000000042"}}, 42},
      {{{"content-length", "9223372036854775808"}}, -1},
      {{{"content-length", "100000000000000000000000"}}, -1},
  };
  for (const auto& [fields, expected] : cases) EXPECT_EQ(headWith(fields).declaredLength(), expected);
}

TEST(HttpHead, OversizedLengthsAreTold) {
  const std::vector<std::pair<QList<std::pair<QByteArray, QByteArray>>, bool>> cases = {
      {{}, false},
      {{{"content-length", "9223372036854775807"}}, false},
      {{{"content-length", "0000000000000000000000042"}}, false},
      {{{"content-length", "abc"}}, false},
      {{{"content-length", "9223372036854775808"}}, true},
      {{{"content-length", "100000000000000000000000"}}, true},
      {{{"content-length", "42"}, {"content-length", "42, 100000000000000000000000"}}, true},
      {{{"content-length", "100000000000000000000000x"}}, false},
  };
  for (const auto& [fields, expected] : cases) {
    QByteArray described;
    for (const auto& [name, value] : fields) described += name + ": " + value + "; ";
    EXPECT_EQ(headWith(fields).hasOversizedLength(), expected) << described.constData();
  }
}

TEST(HttpHead, ConflictingLengthsAcrossLinesAndLists) {
  const std::vector<std::pair<QList<std::pair<QByteArray, QByteArray>>, bool>> cases = {
      {{}, false},
      {{{"content-length", "42"}}, false},
      {{{"content-length", "42"}, {"content-length", "42"}}, false},
      {{{"content-length", "42, 42, 42"}}, false},
      {{{"content-length", "42"}, {"content-length", "43"}}, true},
      {{{"content-length", "42, 43"}}, true},
      {{{"content-length", "42"}, {"content-length", "42, 7"}}, true},
      {{{"content-length", "42"}, {"content-length", "43"}, {"transfer-encoding", "chunked"}}, true},
      // A member that is no number is not a second length.
      {{{"content-length", "42, abc"}}, false},
  };
  for (const auto& [fields, expected] : cases) {
    QByteArray described;
    for (const auto& [name, value] : fields) described += name + ": " + value + "; ";
    EXPECT_EQ(headWith(fields).hasConflictingLengths(), expected) << described.constData();
  }
}

TEST(HttpHead, MediaTypeCharsetAndDisposition) {
  const HttpHead head = headWith({{"content-type", "Text/HTML ; Charset=\"ISO-8859-1\""},
                                  {"content-disposition", "ATTACHMENT; filename=\"a \\\"b\\\".txt\""}});
  EXPECT_EQ(head.mimeType(), QStringLiteral("text/html"));
  EXPECT_EQ(head.charset(), QByteArray("ISO-8859-1"));
  EXPECT_TRUE(head.isAttachment());
  EXPECT_EQ(head.suggestedFilename(), QStringLiteral("a \"b\".txt"));
  EXPECT_EQ(headWith({}).mimeType(), QString());
  EXPECT_FALSE(headWith({{"content-disposition", "inline; filename=x"}}).isAttachment());
}

TEST(HttpHead, SuggestedFilenamePrefersTheExtendedForm) {
  EXPECT_EQ(headWith({{"content-disposition", "attachment; filename=plain.txt; filename*=UTF-8''na%C3%AFve.txt"}})
                .suggestedFilename(),
            QStringLiteral("na\u00EFve.txt"));
  EXPECT_EQ(headWith({}).suggestedFilename(), QStringLiteral("file.zip"));
  EXPECT_EQ(headWith({}, "http://example.com/").suggestedFilename(), std::nullopt);
}

TEST(HttpHead, RedirectTargetResolvesAgainstTheAddress) {
  EXPECT_EQ(headWith({{"location", "../other"}}, "http://example.com/a/b", 302).redirectTarget(),
            QUrl(QStringLiteral("http://example.com/other")));
  EXPECT_EQ(headWith({{"location", "https://x.org/"}}, "http://example.com/", 308).redirectTarget(),
            QUrl(QStringLiteral("https://x.org/")));
  EXPECT_EQ(headWith({{"location", "/x"}}, "http://example.com/", 304).redirectTarget(), std::nullopt);
  EXPECT_EQ(headWith({}, "http://example.com/", 301).redirectTarget(), std::nullopt);
}

}  // namespace

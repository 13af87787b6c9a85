#include "model/web_address.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "model/browser_model.h"
#include "support/test_names.h"

namespace {

struct ParseCase {
  const char* text;
  bool accepted;
  const char* scheme;  // nullptr: no scheme
  const char* host;    // nullptr: no authority
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class WebAddressParse : public testing::TestWithParam<ParseCase> {};

TEST_P(WebAddressParse, AcceptsExactlyWellFormedReferences) {
  const ParseCase& c = GetParam();
  const std::optional<WebAddress> address = WebAddress::parse(QString::fromUtf8(c.text));
  ASSERT_EQ(address.has_value(), c.accepted) << c.text;
  if (!address) return;
  EXPECT_EQ(address->scheme().has_value(), c.scheme != nullptr) << c.text;
  if (c.scheme) {
    EXPECT_EQ(*address->scheme(), QString::fromUtf8(c.scheme)) << c.text;
  }
  EXPECT_EQ(address->host().has_value(), c.host != nullptr) << c.text;
  if (c.host) {
    EXPECT_EQ(*address->host(), QString::fromUtf8(c.host)) << c.text;
  }
  EXPECT_EQ(address->text(), QString::fromUtf8(c.text)) << "recomposition changes the text";
}

INSTANTIATE_TEST_SUITE_P(
    Table, WebAddressParse,
    testing::Values(ParseCase{"https://a.b", true, "https", "a.b"}, ParseCase{"HTTPS://A.B", true, "HTTPS", "A.B"},
                    ParseCase{"KIVO://HOME", true, "KIVO", "HOME"}, ParseCase{"kivo://search?q=", true, "kivo", "search"},
                    ParseCase{"file:///tmp/a.html", true, "file", ""},
                    ParseCase{"http://user:pw@host:8080/p?x=1#f", true, "http", "host"},
                    ParseCase{"http://[::1]:80/", true, "http", "[::1]"}, ParseCase{"mailto:a@b.c", true, "mailto", nullptr},
                    ParseCase{"localhost:8080", true, "localhost", nullptr}, ParseCase{"a.b", true, nullptr, nullptr},
                    ParseCase{"next.html#section", true, nullptr, nullptr}, ParseCase{"#details", true, nullptr, nullptr},
                    ParseCase{"/next", true, nullptr, nullptr}, ParseCase{"javascript:alert(1)", true, "javascript", nullptr},
                    ParseCase{"http://a.b/%C3%BC", true, "http", "a.b"},
                    // Refused: characters outside the grammar and malformed parts.
                    ParseCase{"a.b/c d", false, nullptr, nullptr}, ParseCase{"http://a b", false, nullptr, nullptr},
                    ParseCase{"https://İstanbul.com", false, nullptr, nullptr},
                    ParseCase{"http://a.b/%zz", false, nullptr, nullptr}, ParseCase{"http://a.b/%4", false, nullptr, nullptr},
                    ParseCase{"http://a.b:80x/", false, nullptr, nullptr}, ParseCase{"http://a.b/<x>", false, nullptr, nullptr},
                    ParseCase{"1a:b", false, nullptr, nullptr}, ParseCase{"http://a.b/#x#y", false, nullptr, nullptr},
                    ParseCase{"http://a\"b/", false, nullptr, nullptr}, ParseCase{"http://[zz]/", false, nullptr, nullptr},
                    ParseCase{"http://a@b@c/", false, nullptr, nullptr}),
    [](const testing::TestParamInfo<ParseCase>& info) { return kivo_testing::name_from_text(info.param.text); });

struct ResolveCase {
  const char* base;
  const char* link;
  const char* expected;  // nullptr: not a reference
};

void PrintTo(const ResolveCase& c, std::ostream* out) { *out << '"' << c.link << "\" against " << c.base; }

class WebAddressResolve : public testing::TestWithParam<ResolveCase> {};

TEST_P(WebAddressResolve, FollowsReferenceResolution) {
  const ResolveCase& c = GetParam();
  const std::optional<WebAddress> base = WebAddress::parse(QString::fromUtf8(c.base));
  ASSERT_TRUE(base.has_value());
  const std::optional<WebAddress> target = base->resolved(QString::fromUtf8(c.link));
  ASSERT_EQ(target.has_value(), c.expected != nullptr) << c.link;
  if (target) {
    EXPECT_EQ(target->text(), QString::fromUtf8(c.expected)) << c.link;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, WebAddressResolve,
    testing::Values(
        ResolveCase{"file:///tmp/kivo/index.html", "next.html#section", "file:///tmp/kivo/next.html#section"},
        ResolveCase{"kivo://welcome", "#details", "kivo://welcome#details"},
        ResolveCase{"http://a.b/x/y?q=1", "#f", "http://a.b/x/y?q=1#f"},
        ResolveCase{"http://a.b/x/y", "/next", "http://a.b/next"},
        ResolveCase{"http://a.b/x/y", "../z", "http://a.b/z"},
        ResolveCase{"http://a.b/x/y", "./z?k", "http://a.b/x/z?k"},
        ResolveCase{"http://a.b", "c", "http://a.b/c"},
        ResolveCase{"http://a.b/x", "//c.d/e", "http://c.d/e"},
        ResolveCase{"http://a.b/x", "?k=v", "http://a.b/x?k=v"},
        ResolveCase{"http://a.b/x", "kivo://settings", "kivo://settings"},
        ResolveCase{"http://a.b/x", "javascript:alert(1)", "javascript:alert(1)"},
        ResolveCase{"http://a.b/x", "a b", nullptr}),
    [](const testing::TestParamInfo<ResolveCase>& info) { return kivo_testing::name_from_text(info.param.link); });

TEST(WebAddress, SearchAddressEncodesTheQueryAndRoundTrips) {
  const QString query = QStringLiteral("İlkeler & düzen");
  const QString address = WebAddress::searchAddress(query);
  EXPECT_EQ(address, QStringLiteral("kivo://search?q=%C4%B0lkeler%20%26%20d%C3%BCzen"));
  const std::optional<WebAddress> parsed = WebAddress::parse(address);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->queryItem(QStringLiteral("q")), query);
  EXPECT_EQ(WebAddress::searchAddress(QString()), QStringLiteral("kivo://search?q="));
  EXPECT_EQ(WebAddress::searchAddress(QStringLiteral("a=b+c#d")), QStringLiteral("kivo://search?q=a%3Db+c%23d"));
}

TEST(WebAddress, QueryItemsAndFragmentsDecode) {
  const WebAddress address = *WebAddress::parse(QStringLiteral("kivo://search?x=1&q=a%20b&q=later#%C3%A7"));
  EXPECT_EQ(address.queryItem(QStringLiteral("q")), QStringLiteral("a b"));
  EXPECT_FALSE(WebAddress::parse(QStringLiteral("kivo://search?q"))->queryItem(QStringLiteral("q")).has_value());
  EXPECT_FALSE(WebAddress::parse(QStringLiteral("kivo://search"))->queryItem(QStringLiteral("q")).has_value());
  EXPECT_EQ(address.decodedFragment(), QStringLiteral("ç"));
  EXPECT_FALSE(WebAddress::parse(QStringLiteral("kivo://a#%FF"))->decodedFragment().has_value());
  EXPECT_FALSE(WebAddress::parse(QStringLiteral("kivo://a"))->decodedFragment().has_value());
}

TEST(WebAddress, LocalPathsBecomeFileAddresses) {
  EXPECT_EQ(WebAddress::fromLocalPath(QStringLiteral("/tmp/a.html")).text(), QStringLiteral("file:///tmp/a.html"));
  EXPECT_EQ(WebAddress::fromLocalPath(QStringLiteral("/tmp/a b%ü.html")).text(),
            QStringLiteral("file:///tmp/a%20b%25%C3%BC.html"));
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  EXPECT_TRUE(WebAddress::fromLocalPath(folder.path()).text().endsWith(QLatin1Char('/')));
}

TEST(WebAddress, WebPolicyNeedsHttpHostAndNoUser) {
  const auto allowed = [](const char* text) { return WebAddress::parse(QString::fromUtf8(text))->isAllowedWebAddress(); };
  EXPECT_TRUE(allowed("https://a.b/"));
  EXPECT_TRUE(allowed("HTTP://a.b/"));
  EXPECT_FALSE(allowed("https://user@a.b/"));
  EXPECT_FALSE(allowed("http:///x"));
  EXPECT_FALSE(allowed("file:///etc/hosts"));
  EXPECT_FALSE(allowed("kivo://settings"));
}

struct TypedCase {
  const char* typed;
  const char* address;  // nullptr: nothing happens
};

void PrintTo(const TypedCase& c, std::ostream* out) { *out << '"' << c.typed << '"'; }

class TypedAddress : public testing::TestWithParam<TypedCase> {};

TEST_P(TypedAddress, TurnsTypedTextIntoAnAddress) {
  const TypedCase& c = GetParam();
  const std::optional<QString> address = BrowserModel::typedAddress(QString::fromUtf8(c.typed));
  ASSERT_EQ(address.has_value(), c.address != nullptr) << c.typed;
  if (address) {
    EXPECT_EQ(*address, QString::fromUtf8(c.address)) << c.typed;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TypedAddress,
    testing::Values(TypedCase{"  a.b \n", "https://a.b"}, TypedCase{"a.b/c d", "kivo://search?q=a.b/c%20d"},
                    TypedCase{"localhost", "kivo://search?q=localhost"}, TypedCase{"/tmp/a.html", "file:///tmp/a.html"},
                    TypedCase{"HTTPS://A.B", "HTTPS://A.B"}, TypedCase{"KIVO://HOME", "KIVO://HOME"},
                    TypedCase{"ftp://x.y/", "ftp://x.y/"}, TypedCase{"localhost:8080", "localhost:8080"},
                    TypedCase{"merhaba dünya", "kivo://search?q=merhaba%20d%C3%BCnya"}, TypedCase{"", nullptr},
                    TypedCase{" \t\n", nullptr},
                    // Regression: a scheme address with non-ASCII characters was
                    // taken for a host name and became "https://https://...".
                    TypedCase{"https://example.com/çay", "https://example.com/%C3%A7ay"},
                    TypedCase{"https://çay.example/", "https://xn--ay-3ia.example/"},
                    TypedCase{"https://a.b/c d", "https://a.b/c%20d"}),
    [](const testing::TestParamInfo<TypedCase>& info) { return kivo_testing::name_from_text(info.param.typed); });

}  // namespace

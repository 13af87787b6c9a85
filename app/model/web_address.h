// The browser's own reading of address texts. An address is accepted only
// when it is a well-formed URI reference: ASCII characters of the URI grammar,
// percent signs followed by two hexadecimal digits, square brackets only
// around an IP-literal host, and a port of digits. Everything else (spaces,
// quotes, angle brackets, non-ASCII letters, stray percent signs) is refused,
// whatever QUrl's tolerant parser would make of it. Components keep the
// letter case and the percent-encoding in which they were written.
//
// Limits: texts longer than 65,536 UTF-16 units are refused before parsing.
#pragma once

#include <QString>
#include <QUrl>

#include <optional>

class WebAddress {
public:
  static constexpr qsizetype kTextLimit = 65'536;

  // Parses `text` as a URI reference (absolute or relative); nothing when it
  // is not well-formed.
  static std::optional<WebAddress> parse(const QString& text);

  // The address of the local path `path` (absolute, as typed): "file://" and
  // the path with every character outside the path grammar percent-encoded;
  // an existing folder gains a trailing slash.
  static WebAddress fromLocalPath(const QString& path);

  // The search page's address: scheme "kivo", host "search" and the one query
  // item "q" whose value is `query`, percent-encoded.
  static QString searchAddress(const QString& query);

  // Resolves `reference` against this address (RFC 3986, section 5.2);
  // nothing when the reference is not well-formed.
  std::optional<WebAddress> resolved(const QString& reference) const;

  // The scheme as written, or nothing for a relative reference.
  const std::optional<QString>& scheme() const { return m_scheme; }
  // The scheme in ASCII lower case; empty for a relative reference.
  QString lowerScheme() const;
  // The host as written (percent-decoded), or nothing without an authority.
  std::optional<QString> host() const;
  bool hasUserInfo() const { return m_userInfo.has_value(); }
  const QString& path() const { return m_path; }
  const std::optional<QString>& query() const { return m_query; }
  const std::optional<QString>& fragment() const { return m_fragment; }

  // The fragment with its percent-encoding removed; nothing without a
  // fragment or when the decoded bytes are not UTF-8.
  std::optional<QString> decodedFragment() const;
  // The value of the first query item named `name`, decoded; nothing when no
  // item has the name or the item has no "=".
  std::optional<QString> queryItem(const QString& name) const;
  // The last path segment, percent-decoded.
  QString lastPathComponent() const;

  // True for the scheme "file" in any letter case.
  bool isFileAddress() const { return lowerScheme() == QLatin1String("file"); }
  // The browser's web policy: http or https in any case, a non-empty host,
  // and no user information.
  bool isAllowedWebAddress() const;

  // The address as text, recomposed from its components.
  QString text() const;
  // The same address for the services (strict QUrl).
  QUrl toUrl() const;

  // Removes percent-encoding; nothing for a bad escape or bytes that are not
  // UTF-8.
  static std::optional<QString> percentDecoded(const QString& text);

private:
  std::optional<QString> m_scheme;
  std::optional<QString> m_userInfo;
  std::optional<QString> m_host;  // present exactly when there is an authority
  std::optional<QString> m_port;
  QString m_path;
  std::optional<QString> m_query;
  std::optional<QString> m_fragment;
};

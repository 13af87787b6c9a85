#include "model/web_address.h"

#include <QByteArray>
#include <QFileInfo>
#include <QStringList>

#include "model/builtin_pages.h"

namespace {

bool isAlpha(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

bool isHex(char16_t c) {
  return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool isUnreserved(char16_t c) {
  return isAlpha(c) || isDigit(c) || c == u'-' || c == u'.' || c == u'_' || c == u'~';
}

bool isSubDelimiter(char16_t c) {
  switch (c) {
    case u'!': case u'$': case u'&': case u'\'': case u'(': case u')':
    case u'*': case u'+': case u',': case u';': case u'=':
      return true;
    default:
      return false;
  }
}

// True when every character of `text` is `allowed` or part of a well-formed
// percent escape.
template <typename Allowed>
bool consistsOf(QStringView text, Allowed allowed) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c == u'%') {
      if (i + 2 >= text.size() || !isHex(text[i + 1].unicode()) || !isHex(text[i + 2].unicode())) return false;
      i += 2;
      continue;
    }
    if (!allowed(c)) return false;
  }
  return true;
}

bool isPathCharacter(char16_t c) {
  return isUnreserved(c) || isSubDelimiter(c) || c == u':' || c == u'@' || c == u'/';
}

bool isQueryCharacter(char16_t c) {
  return isPathCharacter(c) || c == u'?';
}

bool isSchemeText(QStringView text) {
  if (text.isEmpty() || !isAlpha(text[0].unicode())) return false;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (!isAlpha(u) && !isDigit(u) && u != u'+' && u != u'-' && u != u'.') return false;
  }
  return true;
}

char hexDigit(int value) {
  return "0123456789ABCDEF"[value & 15];
}

// Percent-encodes the UTF-8 bytes of `text` that `keep` does not accept.
template <typename Keep>
QString percentEncoded(const QString& text, Keep keep) {
  QString out;
  const QByteArray bytes = text.toUtf8();
  out.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    if (b < 0x80 && keep(static_cast<char16_t>(b))) {
      out.append(QChar(static_cast<char16_t>(b)));
    } else {
      out.append(QLatin1Char('%'));
      out.append(QLatin1Char(hexDigit(b >> 4)));
      out.append(QLatin1Char(hexDigit(b)));
    }
  }
  return out;
}

// The path without its "." and ".." segments (RFC 3986, section 5.2.4).
QString removeDotSegments(const QString& path) {
  QStringView input(path);
  QString output;
  while (!input.isEmpty()) {
    if (input.startsWith(u"../")) {
      input = input.mid(3);
    } else if (input.startsWith(u"./")) {
      input = input.mid(2);
    } else if (input.startsWith(u"/./")) {
      input = input.mid(2);
    } else if (input == u"/.") {
      input = u"/";
    } else if (input.startsWith(u"/../") || input == u"/..") {
      input = input.size() == 3 ? QStringView(u"/") : input.mid(3);
      const qsizetype cut = output.lastIndexOf(QLatin1Char('/'));
      output.truncate(cut < 0 ? 0 : cut);
    } else if (input == u"." || input == u"..") {
      input = {};
    } else {
      const qsizetype next = input.indexOf(QLatin1Char('/'), input.startsWith(u'/') ? 1 : 0);
      const qsizetype end = next < 0 ? input.size() : next;
      output.append(input.left(end));
      input = input.mid(end);
    }
  }
  return output;
}

}  // namespace

std::optional<WebAddress> WebAddress::parse(const QString& text) {
  if (text.size() > kTextLimit) return std::nullopt;
  WebAddress address;
  QStringView rest(text);

  // 1. The fragment: everything after the first number sign.
  if (const qsizetype hash = rest.indexOf(QLatin1Char('#')); hash >= 0) {
    const QStringView fragment = rest.mid(hash + 1);
    if (!consistsOf(fragment, isQueryCharacter)) return std::nullopt;
    address.m_fragment = fragment.toString();
    rest = rest.left(hash);
  }
  // 2. The query: everything after the first question mark.
  if (const qsizetype question = rest.indexOf(QLatin1Char('?')); question >= 0) {
    const QStringView query = rest.mid(question + 1);
    if (!consistsOf(query, isQueryCharacter)) return std::nullopt;
    address.m_query = query.toString();
    rest = rest.left(question);
  }
  // 3. The scheme: a colon before the first slash. A colon in a first segment
  // that is not a scheme makes the reference ambiguous, so it is refused.
  const qsizetype colon = rest.indexOf(QLatin1Char(':'));
  const qsizetype slash = rest.indexOf(QLatin1Char('/'));
  if (colon >= 0 && (slash < 0 || colon < slash)) {
    const QStringView scheme = rest.left(colon);
    if (!isSchemeText(scheme)) return std::nullopt;
    address.m_scheme = scheme.toString();
    rest = rest.mid(colon + 1);
  }
  // 4. The authority: after "//", up to the next slash.
  if (rest.startsWith(u"//")) {
    rest = rest.mid(2);
    const qsizetype end = rest.indexOf(QLatin1Char('/'));
    QStringView authority = end < 0 ? rest : rest.left(end);
    rest = end < 0 ? QStringView() : rest.mid(end);
    if (const qsizetype at = authority.lastIndexOf(QLatin1Char('@')); at >= 0) {
      const QStringView userInfo = authority.left(at);
      if (!consistsOf(userInfo, [](char16_t c) { return isUnreserved(c) || isSubDelimiter(c) || c == u':'; })) {
        return std::nullopt;
      }
      address.m_userInfo = userInfo.toString();
      authority = authority.mid(at + 1);
    }
    QStringView host = authority;
    if (authority.startsWith(u'[')) {
      const qsizetype close = authority.indexOf(QLatin1Char(']'));
      if (close < 2) return std::nullopt;
      for (const QChar c : authority.mid(1, close - 1)) {
        const char16_t u = c.unicode();
        if (!isHex(u) && u != u':' && u != u'.' && u != u'v' && u != u'V') return std::nullopt;
      }
      host = authority.left(close + 1);
      authority = authority.mid(close + 1);
      if (!authority.isEmpty() && !authority.startsWith(u':')) return std::nullopt;
    } else {
      const qsizetype portColon = authority.indexOf(QLatin1Char(':'));
      host = portColon < 0 ? authority : authority.left(portColon);
      authority = portColon < 0 ? QStringView() : authority.mid(portColon);
      if (!consistsOf(host, [](char16_t c) { return isUnreserved(c) || isSubDelimiter(c); })) return std::nullopt;
    }
    if (!authority.isEmpty()) {
      const QStringView port = authority.mid(1);
      for (const QChar c : port) {
        if (!isDigit(c.unicode())) return std::nullopt;
      }
      address.m_port = port.toString();
    }
    address.m_host = host.toString();
  }
  // 5. The path.
  if (!consistsOf(rest, isPathCharacter)) return std::nullopt;
  address.m_path = rest.toString();
  return address;
}

WebAddress WebAddress::fromLocalPath(const QString& path) {
  WebAddress address;
  address.m_scheme = QStringLiteral("file");
  address.m_host = QString();
  QString localPath = path;
  if (!localPath.endsWith(QLatin1Char('/')) && QFileInfo(localPath).isDir()) localPath += QLatin1Char('/');
  address.m_path = percentEncoded(localPath, isPathCharacter);
  return address;
}

QString WebAddress::searchAddress(const QString& query) {
  const QString value = percentEncoded(query, [](char16_t c) {
    return isQueryCharacter(c) && c != u'&' && c != u'=';
  });
  return BuiltinPages::kSearch + QStringLiteral("?q=") + value;
}

std::optional<WebAddress> WebAddress::resolved(const QString& reference) const {
  const std::optional<WebAddress> parsed = parse(reference);
  if (!parsed) return std::nullopt;
  const WebAddress& r = *parsed;
  WebAddress target;
  if (r.m_scheme) {
    target = r;
    target.m_path = removeDotSegments(r.m_path);
    return target;
  }
  target.m_scheme = m_scheme;
  if (r.m_host) {
    target.m_userInfo = r.m_userInfo;
    target.m_host = r.m_host;
    target.m_port = r.m_port;
    target.m_path = removeDotSegments(r.m_path);
    target.m_query = r.m_query;
  } else {
    target.m_userInfo = m_userInfo;
    target.m_host = m_host;
    target.m_port = m_port;
    if (r.m_path.isEmpty()) {
      target.m_path = m_path;
      target.m_query = r.m_query ? r.m_query : m_query;
    } else {
      if (r.m_path.startsWith(QLatin1Char('/'))) {
        target.m_path = removeDotSegments(r.m_path);
      } else {
        // Merge: the reference replaces the base's last segment.
        QString merged;
        if (m_host && m_path.isEmpty()) {
          merged = QLatin1Char('/') + r.m_path;
        } else {
          const qsizetype cut = m_path.lastIndexOf(QLatin1Char('/'));
          merged = (cut < 0 ? QString() : m_path.left(cut + 1)) + r.m_path;
        }
        target.m_path = removeDotSegments(merged);
      }
      target.m_query = r.m_query;
    }
  }
  target.m_fragment = r.m_fragment;
  return target;
}

QString WebAddress::lowerScheme() const {
  if (!m_scheme) return {};
  QString lower = *m_scheme;
  for (QChar& c : lower) {
    if (c.unicode() >= u'A' && c.unicode() <= u'Z') c = QChar(static_cast<char16_t>(c.unicode() + 32));
  }
  return lower;
}

std::optional<QString> WebAddress::host() const {
  if (!m_host) return std::nullopt;
  const std::optional<QString> decoded = percentDecoded(*m_host);
  return decoded ? *decoded : *m_host;
}

std::optional<QString> WebAddress::decodedFragment() const {
  if (!m_fragment) return std::nullopt;
  return percentDecoded(*m_fragment);
}

std::optional<QString> WebAddress::queryItem(const QString& name) const {
  if (!m_query) return std::nullopt;
  const QStringList items = m_query->split(QLatin1Char('&'));
  for (const QString& item : items) {
    const qsizetype equals = item.indexOf(QLatin1Char('='));
    const QString rawName = equals < 0 ? item : item.left(equals);
    const QString itemName = percentDecoded(rawName).value_or(rawName);
    if (itemName != name) continue;
    if (equals < 0) return std::nullopt;
    const QString rawValue = item.mid(equals + 1);
    return percentDecoded(rawValue).value_or(rawValue);
  }
  return std::nullopt;
}

QString WebAddress::lastPathComponent() const {
  QString path = m_path;
  while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  const QString segment = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
  if (segment.isEmpty()) return path.isEmpty() ? QString() : QStringLiteral("/");
  return percentDecoded(segment).value_or(segment);
}

bool WebAddress::isAllowedWebAddress() const {
  const QString scheme = lowerScheme();
  if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) return false;
  const std::optional<QString> name = host();
  return name && !name->isEmpty() && !m_userInfo;
}

QString WebAddress::text() const {
  QString out;
  if (m_scheme) out += *m_scheme + QLatin1Char(':');
  if (m_host) {
    out += QStringLiteral("//");
    if (m_userInfo) out += *m_userInfo + QLatin1Char('@');
    out += *m_host;
    if (m_port) out += QLatin1Char(':') + *m_port;
  }
  out += m_path;
  if (m_query) out += QLatin1Char('?') + *m_query;
  if (m_fragment) out += QLatin1Char('#') + *m_fragment;
  return out;
}

QUrl WebAddress::toUrl() const {
  return QUrl(text(), QUrl::StrictMode);
}

std::optional<QString> WebAddress::percentDecoded(const QString& text) {
  const QByteArray input = text.toUtf8();
  QByteArray bytes;
  bytes.reserve(input.size());
  for (qsizetype i = 0; i < input.size(); ++i) {
    const char c = input[i];
    if (c != '%') {
      bytes.append(c);
      continue;
    }
    if (i + 2 >= input.size() || !isHex(static_cast<unsigned char>(input[i + 1])) ||
        !isHex(static_cast<unsigned char>(input[i + 2]))) {
      return std::nullopt;
    }
    bytes.append(static_cast<char>(input.mid(i + 1, 2).toUInt(nullptr, 16)));
    i += 2;
  }
  // Strict UTF-8: a lossy decode that does not round-trip is refused.
  const QString decoded = QString::fromUtf8(bytes);
  if (decoded.toUtf8() != bytes) return std::nullopt;
  return decoded;
}

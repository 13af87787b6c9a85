// A small JSON writer for the profile files, whose exact text is fixed: compact
// output, members in the order they are written, every "/" escaped as "\/",
// non-ASCII text as raw UTF-8, and numbers in the short decimal form that the
// files have always used (a whole number without ".0").
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <string_view>
#include <vector>

class JsonTextWriter {
public:
  void beginObject();
  void endObject();
  void beginArray();
  void endArray();
  // Writes a member name; the next value written belongs to it.
  void key(std::string_view name);
  void string(const QString& text);
  void integer(qint64 value);
  // Writes a finite double: shortest text that reads back to the same value.
  void number(double value);

  // The text written so far.
  const QByteArray& bytes() const { return m_bytes; }

  // Appends `text` to `out` as a JSON string literal, quotes included.
  static void appendString(QByteArray& out, const QString& text);
  // The text of a finite double as the files write it: 786000000, 0.25,
  // -63114076800, 1e+16.
  static QByteArray numberText(double value);
  // The array of the longest prefix of `elements` (each one encoded value)
  // whose text stays within `limit` bytes; an empty array when none fits.
  // `written`, when given, receives the length of that prefix.
  static QByteArray arrayWithin(const QList<QByteArray>& elements, qint64 limit, qsizetype* written = nullptr);

private:
  void beforeValue();

  QByteArray m_bytes;
  std::vector<bool> m_first;  // per open container: no element written yet
  bool m_afterKey = false;
};

// Typed access to the members of a decoded JSON object, failing the way the
// application's decoders fail: a required member that is missing or of the
// wrong type throws DecodingError naming it; an optional member that is
// absent or null gives nothing. Members not asked for are ignored.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string_view>

class JsonReader {
public:
  // Reads `value`, which must be an object; `what` names it in errors.
  JsonReader(const nlohmann::json& value, std::string_view what);

  qint64 integer(std::string_view key) const;
  double number(std::string_view key) const;
  QString string(std::string_view key) const;
  bool boolean(std::string_view key) const;
  QStringList stringArray(std::string_view key) const;
  QMap<QString, QString> stringMap(std::string_view key) const;
  QMap<QString, double> numberMap(std::string_view key) const;
  // The array member itself, for the caller to decode element by element.
  const nlohmann::json& array(std::string_view key) const;

  std::optional<qint64> optionalInteger(std::string_view key) const;
  std::optional<quint32> optionalColor(std::string_view key) const;
  std::optional<double> optionalNumber(std::string_view key) const;
  std::optional<QString> optionalString(std::string_view key) const;
  std::optional<bool> optionalBoolean(std::string_view key) const;
  // The member when present and not null (its type is the caller's to check).
  const nlohmann::json* optionalMember(std::string_view key) const;

  // Parses one JSON text; throws DecodingError when it is not JSON.
  static nlohmann::json parse(std::string_view text);

private:
  const nlohmann::json& required(std::string_view key) const;
  [[noreturn]] void mismatch(std::string_view key, const char* expected) const;

  const nlohmann::json& m_value;
  std::string m_what;
};

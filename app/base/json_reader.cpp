#include "base/json_reader.h"

#include <limits>

#include "base/decoding_error.h"

namespace {

QString toQString(const nlohmann::json& value) {
  const std::string& text = value.get_ref<const std::string&>();
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Integers only: a number written with a fraction or an exponent is not an
// integer member, and one beyond the signed 64-bit range does not fit.
std::optional<qint64> asInteger(const nlohmann::json& value) {
  if (value.is_number_unsigned()) {
    const auto unsignedValue = value.get<std::uint64_t>();
    if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<qint64>::max())) return std::nullopt;
    return static_cast<qint64>(unsignedValue);
  }
  if (value.is_number_integer()) return value.get<std::int64_t>();
  return std::nullopt;
}

}  // namespace

JsonReader::JsonReader(const nlohmann::json& value, std::string_view what) : m_value(value), m_what(what) {
  if (!value.is_object()) throw DecodingError(m_what + ": expected an object");
}

nlohmann::json JsonReader::parse(std::string_view text) {
  try {
    return nlohmann::json::parse(text.begin(), text.end());
  } catch (const nlohmann::json::parse_error& error) {
    throw DecodingError(std::string("The data is not valid JSON: ") + error.what());
  }
}

void JsonReader::mismatch(std::string_view key, const char* expected) const {
  throw DecodingError(m_what + ": member \"" + std::string(key) + "\" is not " + expected);
}

const nlohmann::json& JsonReader::required(std::string_view key) const {
  const auto found = m_value.find(key);
  if (found == m_value.end()) throw DecodingError(m_what + ": missing member \"" + std::string(key) + "\"");
  return *found;
}

const nlohmann::json* JsonReader::optionalMember(std::string_view key) const {
  const auto found = m_value.find(key);
  if (found == m_value.end() || found->is_null()) return nullptr;
  return &*found;
}

qint64 JsonReader::integer(std::string_view key) const {
  const auto value = asInteger(required(key));
  if (!value) mismatch(key, "an integer");
  return *value;
}

double JsonReader::number(std::string_view key) const {
  const nlohmann::json& value = required(key);
  if (!value.is_number()) mismatch(key, "a number");
  return value.get<double>();
}

QString JsonReader::string(std::string_view key) const {
  const nlohmann::json& value = required(key);
  if (!value.is_string()) mismatch(key, "a string");
  return toQString(value);
}

bool JsonReader::boolean(std::string_view key) const {
  const nlohmann::json& value = required(key);
  if (!value.is_boolean()) mismatch(key, "a boolean");
  return value.get<bool>();
}

const nlohmann::json& JsonReader::array(std::string_view key) const {
  const nlohmann::json& value = required(key);
  if (!value.is_array()) mismatch(key, "an array");
  return value;
}

QStringList JsonReader::stringArray(std::string_view key) const {
  const nlohmann::json& value = array(key);
  QStringList result;
  result.reserve(static_cast<qsizetype>(value.size()));
  for (const nlohmann::json& element : value) {
    if (!element.is_string()) mismatch(key, "an array of strings");
    result.append(toQString(element));
  }
  return result;
}

QMap<QString, QString> JsonReader::stringMap(std::string_view key) const {
  const nlohmann::json& value = required(key);
  if (!value.is_object()) mismatch(key, "an object of strings");
  QMap<QString, QString> result;
  for (auto it = value.begin(); it != value.end(); ++it) {
    if (!it->is_string()) mismatch(key, "an object of strings");
    result.insert(QString::fromStdString(it.key()), toQString(*it));
  }
  return result;
}

QMap<QString, double> JsonReader::numberMap(std::string_view key) const {
  const nlohmann::json& value = required(key);
  if (!value.is_object()) mismatch(key, "an object of numbers");
  QMap<QString, double> result;
  for (auto it = value.begin(); it != value.end(); ++it) {
    if (!it->is_number()) mismatch(key, "an object of numbers");
    result.insert(QString::fromStdString(it.key()), it->get<double>());
  }
  return result;
}

std::optional<qint64> JsonReader::optionalInteger(std::string_view key) const {
  const nlohmann::json* value = optionalMember(key);
  if (!value) return std::nullopt;
  const auto integerValue = asInteger(*value);
  if (!integerValue) mismatch(key, "an integer");
  return integerValue;
}

std::optional<quint32> JsonReader::optionalColor(std::string_view key) const {
  const nlohmann::json* value = optionalMember(key);
  if (!value) return std::nullopt;
  const auto integerValue = asInteger(*value);
  if (!integerValue || *integerValue < 0 || *integerValue > 0xFFFFFFFFll) mismatch(key, "an unsigned 32-bit integer");
  return static_cast<quint32>(*integerValue);
}

std::optional<double> JsonReader::optionalNumber(std::string_view key) const {
  const nlohmann::json* value = optionalMember(key);
  if (!value) return std::nullopt;
  if (!value->is_number()) mismatch(key, "a number");
  return value->get<double>();
}

std::optional<QString> JsonReader::optionalString(std::string_view key) const {
  const nlohmann::json* value = optionalMember(key);
  if (!value) return std::nullopt;
  if (!value->is_string()) mismatch(key, "a string");
  return toQString(*value);
}

std::optional<bool> JsonReader::optionalBoolean(std::string_view key) const {
  const nlohmann::json* value = optionalMember(key);
  if (!value) return std::nullopt;
  if (!value->is_boolean()) mismatch(key, "a boolean");
  return value->get<bool>();
}

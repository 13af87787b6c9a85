#include "loading/subresource_records.h"

#include "base/decoding_error.h"
#include "base/json_reader.h"

ResourceManifest ResourceManifest::fromJson(std::string_view text) {
  const nlohmann::json document = JsonReader::parse(text);
  const JsonReader manifest(document, "manifest");
  ResourceManifest result;
  const nlohmann::json& resources = manifest.array("resources");
  result.resources.reserve(static_cast<qsizetype>(resources.size()));
  for (const nlohmann::json& element : resources) {
    const JsonReader item(element, "manifest resource");
    result.resources.append(Item{item.integer("id"), item.integer("kind"), item.string("url")});
  }
  result.base = manifest.optionalString("base");
  result.limited = manifest.optionalBoolean("limited");
  return result;
}

// A small builder of document trees for the style tests, so that a test can
// state its tree in a few lines without going through the HTML parser.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "dom/document.h"

namespace kivo_style::testing {

class TreeBuilder {
 public:
  kivo_dom::NodeId root() const { return document.root(); }

  // Appends an element with the given attributes as the last child of parent.
  kivo_dom::NodeId element(kivo_dom::NodeId parent, std::string name,
                           std::initializer_list<std::pair<std::string, std::string>> attributes = {}) {
    const kivo_dom::NodeId id = document.insert(kivo_dom::NodeKind::element(std::move(name)));
    KIVO_CHECK(document.append_child(parent, id).ok());
    for (const auto& [key, value] : attributes) KIVO_CHECK(document.set_attribute(id, key, value).ok());
    return id;
  }

  // Appends a text node as the last child of parent.
  kivo_dom::NodeId text(kivo_dom::NodeId parent, std::string characters) {
    const kivo_dom::NodeId id = document.insert(kivo_dom::NodeKind::text(std::move(characters)));
    KIVO_CHECK(document.append_child(parent, id).ok());
    return id;
  }

  kivo_dom::Document document;
};

}  // namespace kivo_style::testing

// The error of one style computation: a fixed English message that ends the
// cascade run and travels unchanged to the caller.
#pragma once

#include <string>

namespace kivo_style {

struct StyleError {
  std::string message;

  // The text shown for this error: the message, unchanged.
  const std::string& display() const { return message; }
};

}  // namespace kivo_style

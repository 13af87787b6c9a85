// The error of JSON that does not decode into the value the application
// expects: not JSON at all, a missing required member or a member of the
// wrong type. It passes through to the user with its own description.
#pragma once

#include <stdexcept>
#include <string>

class DecodingError : public std::runtime_error {
public:
  explicit DecodingError(const std::string& description) : std::runtime_error(description) {}
};

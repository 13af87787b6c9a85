// The error of a failed system call. Platform errors reach the user with their
// own description, so the text names the operation, the object and the cause.
#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace kivo_support {

class SystemError : public std::runtime_error {
public:
  // Describes `code` (an errno value) as "<context>: <system description>".
  SystemError(int code, const std::string& context)
      : std::runtime_error(context + ": " + std::system_category().message(code)), m_code(code) {}

  // The errno value that caused the error.
  int code() const noexcept { return m_code; }

private:
  int m_code;
};

}  // namespace kivo_support

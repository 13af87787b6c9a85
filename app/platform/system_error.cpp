#include "platform/system_error.h"

#include <system_error>

SystemError::SystemError(int code, const std::string& context)
    : std::runtime_error(context + ": " + std::system_category().message(code)), m_code(code) {}

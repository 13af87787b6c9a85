#include "network/network_error.h"

NetworkError::NetworkError(Kind kind, const std::string& description, int libraryCode)
    : std::runtime_error(description), m_kind(kind), m_libraryCode(libraryCode) {}

NetworkError NetworkError::cancellation() {
  return NetworkError(Kind::cancelled, "cancelled");
}

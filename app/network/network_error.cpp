#include "network/network_error.h"

#include <cstdio>

namespace {

const char* sentenceOf(NetworkError::Kind kind) {
  using Kind = NetworkError::Kind;
  switch (kind) {
    case Kind::cancelled:
      return "cancelled";
    case Kind::timedOut:
      return "İstek zaman sınırını aştı.";
    case Kind::stalled:
      return "Sunucudan uzun süredir veri gelmiyor; aktarım durduruldu.";
    case Kind::cannotFindHost:
      return "Sunucu adı çözümlenemedi.";
    case Kind::cannotConnect:
      return "Sunucuya bağlanılamadı.";
    case Kind::connectionLost:
      return "Ağ bağlantısı koptu.";
    case Kind::serverCertificateUntrusted:
      return "Sunucunun sertifikası geçersiz.";
    case Kind::secureConnectionFailed:
      return "Güvenli bağlantı (TLS) kurulamadı.";
    case Kind::tooManyRedirects:
      return "too many HTTP redirects";
    case Kind::badServerResponse:
      return "The server returned a bad response.";
    case Kind::headTooLarge:
      return "The server's response head is too large.";
    case Kind::invalidated:
      return "The network session was closed.";
    case Kind::other:
      break;
  }
  return "A network error occurred.";
}

}  // namespace

NetworkError::NetworkError(Kind kind, std::string detail, int libraryCode)
    : std::runtime_error(sentenceOf(kind)), m_kind(kind), m_libraryCode(libraryCode), m_detail(std::move(detail)) {}

NetworkError NetworkError::cancellation() {
  return NetworkError(Kind::cancelled);
}

std::string NetworkError::diagnostic() const {
  std::string text = what();
  if (!m_detail.empty()) text += " (" + m_detail + ")";
  return text;
}

std::string NetworkError::diagnosticOf(const std::exception& error) {
  if (const auto* network = dynamic_cast<const NetworkError*>(&error)) return network->diagnostic();
  return error.what();
}

void NetworkError::logDetail(std::string_view context, const std::exception& error) {
  const auto* network = dynamic_cast<const NetworkError*>(&error);
  if (!network || network->detail().empty()) return;
  std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(context.size()), context.data(), network->diagnostic().c_str());
}

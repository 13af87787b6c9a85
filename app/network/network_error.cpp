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
      return "Sunucu çok fazla yönlendirme yaptı.";
    case Kind::badServerResponse:
      return "Sunucu geçersiz bir yanıt verdi.";
    case Kind::headTooLarge:
      return "Sunucunun yanıt başlığı çok büyük.";
    case Kind::invalidated:
      return "Ağ oturumu kapatıldı.";
    case Kind::other:
      break;
  }
  return "Bir ağ hatası oluştu.";
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

QString diagnosticMessage(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& error) {
    return QString::fromStdString(NetworkError::diagnosticOf(error));
  } catch (...) {
    return userMessage(failure);
  }
}

// The transport's platform errors: what the network, the TLS layer or the
// cancellation of a transfer reported. Each carries the sentence its user
// sees (what(), in Turkish for the common failures of the network) and the
// transfer library's own account of it (detail()), which only developers see:
// in the tab's console, or on standard error.
#pragma once

#include <QString>

#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/bridge_error.h"

class NetworkError : public std::runtime_error {
public:
  enum class Kind {
    cancelled,                   // the caller's stop token or close() ended the transfer
    timedOut,                    // a connection or whole-transfer time limit ran out
    stalled,                     // no data came for the idle time
    cannotFindHost,              // the host name did not resolve
    cannotConnect,               // the connection was refused or unreachable
    connectionLost,              // the connection ended before the answer was complete
    serverCertificateUntrusted,  // the server's certificate failed verification
    secureConnectionFailed,      // the TLS handshake failed for another reason
    tooManyRedirects,            // more than 16 redirects in a row
    badServerResponse,           // the answer was not a well-formed HTTP response
    headTooLarge,                // the answer's head went past the size or field limit
    invalidated,                 // the transport was closed before the request
    other,                       // anything else the transfer library reported
  };

  // An error of `kind` with the kind's sentence; `detail` is the transfer
  // library's description, empty when it has none.
  explicit NetworkError(Kind kind, std::string detail = {}, int libraryCode = 0);

  Kind kind() const noexcept { return m_kind; }
  // The transfer library's own code, 0 when the error is not one of its.
  int libraryCode() const noexcept { return m_libraryCode; }
  // The transfer library's description, for developers; may be empty.
  const std::string& detail() const noexcept { return m_detail; }
  // The sentence followed by the detail in parentheses, when there is one.
  std::string diagnostic() const;
  // True for the refusals of a server certificate, the errors a caller may
  // take as "this server cannot be trusted".
  bool isCertificateError() const noexcept { return m_kind == Kind::serverCertificateUntrusted; }
  bool isCancellation() const noexcept { return m_kind == Kind::cancelled; }

  // The error of a transfer that was cancelled.
  static NetworkError cancellation();

  // The diagnostic of a network error, the text of any other.
  static std::string diagnosticOf(const std::exception& error);
  // Writes `context`, ": " and the diagnostic on standard error when
  // `error` is a network error with a detail that its sentence leaves out.
  static void logDetail(std::string_view context, const std::exception& error);

private:
  Kind m_kind;
  int m_libraryCode;
  std::string m_detail;
};

// The sentence userMessage shows the user, with a network failure's
// transfer-library detail after it, for consoles and logs.
QString diagnosticMessage(const std::exception_ptr& failure);

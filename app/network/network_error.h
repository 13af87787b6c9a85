// The transport's platform errors: what the network, the TLS layer or the
// cancellation of a transfer reported. They reach the user with their own
// English description, as the system's errors do.
#pragma once

#include <stdexcept>
#include <string>

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

  NetworkError(Kind kind, const std::string& description, int libraryCode = 0);

  Kind kind() const noexcept { return m_kind; }
  // The transfer library's own code, 0 when the error is not one of its.
  int libraryCode() const noexcept { return m_libraryCode; }
  // True for the refusals of a server certificate, the errors a caller may
  // take as "this server cannot be trusted".
  bool isCertificateError() const noexcept { return m_kind == Kind::serverCertificateUntrusted; }
  bool isCancellation() const noexcept { return m_kind == Kind::cancelled; }

  // The error of a transfer that was cancelled.
  static NetworkError cancellation();

private:
  Kind m_kind;
  int m_libraryCode;
};

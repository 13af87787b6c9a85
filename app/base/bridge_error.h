// The application's general error: one finished Turkish sentence that reaches
// the user word for word; and the sentence any failure shows the user.
#pragma once

#include <QString>

#include <exception>
#include <string>

class BridgeError : public std::exception {
public:
  explicit BridgeError(const QString& message) : m_message(message), m_utf8(message.toStdString()) {}

  // The user-facing sentence, unchanged.
  const QString& message() const noexcept { return m_message; }
  // The same sentence in UTF-8.
  const char* what() const noexcept override { return m_utf8.c_str(); }

private:
  QString m_message;
  std::string m_utf8;
};

// The sentence a failure shows the user: an error's own text (the Turkish
// sentence of a BridgeError, a network error's sentence, a platform error's
// description), "Bilinmeyen hata." for anything thrown that is not an error.
QString userMessage(const std::exception_ptr& failure);

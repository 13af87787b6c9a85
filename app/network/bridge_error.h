// The application's general error: one finished Turkish sentence that reaches
// the user word for word.
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

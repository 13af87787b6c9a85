// The one error of every built-in suite's checks: it carries the sentence of
// the guarantee that did not hold.
#pragma once

#include <QString>

#include <exception>
#include <string>

class SmokeFailure : public std::exception {
public:
  explicit SmokeFailure(const QString& check)
      : m_check(check), m_description("failed(\"" + check.toStdString() + "\")") {}

  // The violated check's sentence.
  const QString& check() const noexcept { return m_check; }
  // The failure as a result line shows it: failed("<check>").
  const char* what() const noexcept override { return m_description.c_str(); }

private:
  QString m_check;
  std::string m_description;
};

// Throws SmokeFailure with `check` unless `condition` holds.
inline void require(bool condition, const QString& check) {
  if (!condition) throw SmokeFailure(check);
}

// Sets the process's umask for one scope, for tests of file modes. Test code
// only.
#pragma once

#include <sys/stat.h>

class UmaskScope {
public:
  explicit UmaskScope(mode_t mask) : m_saved(::umask(mask)) {}
  ~UmaskScope() { ::umask(m_saved); }

  UmaskScope(const UmaskScope&) = delete;
  UmaskScope& operator=(const UmaskScope&) = delete;

private:
  mode_t m_saved;
};

#include "chrome/focus_address.h"

FocusAddressCenter& FocusAddressCenter::instance() {
  static FocusAddressCenter* center = new FocusAddressCenter();
  return *center;
}

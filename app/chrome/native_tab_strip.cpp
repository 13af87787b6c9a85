#include "chrome/native_tab_strip.h"

NativeTabStrip::NativeTabStrip(QWidget* parent) : QWidget(parent) {}

NativeTabStrip::~NativeTabStrip() = default;

int NativeTabStrip::insertionIndex(QPoint, bool) {
  return 0;
}

void NativeTabStrip::showDropMarker(std::optional<int>) {}

#include "kit/kit_theme.h"

// Defined here so that the interface's virtual table lives in one place.
KitTheme::~KitTheme() = default;

// What the kit's controls read of the browser's look: the scheme they draw
// in, the accent colour and whether motion is reduced, and the signals that
// tell them to draw again. The kit names only this interface, so a control
// neither knows nor cares where these values are kept; PreferencesTheme
// reads them from the shared browser preferences. Main thread.
#pragma once

#include <QColor>
#include <QObject>
#include <QString>

#include "model/color_scheme.h"

class KitTheme : public QObject {
  Q_OBJECT

public:
  using QObject::QObject;
  ~KitTheme() override;

  // The scheme views draw in now: the chosen or previewed one, else the
  // desktop's.
  virtual ColorScheme scheme() const = 0;
  // The accent colour, opaque.
  virtual QColor accent() const = 0;
  // The accent as it is kept: six hexadecimal digits.
  virtual QString accentHex() const = 0;
  // Keeps a new accent and emits accentChanged(); the colour editor writes
  // every slider step this way, so every view follows while the user drags.
  virtual void setAccentHex(const QString& hex) = 0;
  // True when hover, press and fade changes are to apply at once.
  virtual bool reduceMotion() const = 0;

Q_SIGNALS:
  // Emitted on every assignment of what scheme() depends on, changed or not.
  void schemeChanged();
  // Emitted on every assignment of the accent, changed or not.
  void accentChanged();
};

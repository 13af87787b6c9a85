// A one-point horizontal hairline in the palette's line colour, at an
// optional extra opacity, that follows the scheme of the preferences. The
// developer tools separate their header, toolbar and console rows with it.
// Main thread.
#pragma once

#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"
#include "model/browser_preferences.h"

class DevToolsDivider : public QWidget {
  Q_OBJECT

public:
  explicit DevToolsDivider(std::shared_ptr<BrowserPreferences> preferences, double opacity = 1.0,
                           QWidget* parent = nullptr);

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  std::shared_ptr<KitTheme> m_theme;
  double m_opacity;
};

// The folder the pictures go to: each picture is NAME-light.png or
// NAME-dark.png after the scheme it was drawn in. A picture that cannot be
// written is reported on standard error and counted, and the run goes on.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include "model/browser_preferences.h"

class PictureFolder {
public:
  explicit PictureFolder(QString path) : m_path(std::move(path)) {}

  // The scheme the next pictures are drawn in; it names their files.
  void setAppearance(BrowserAppearance appearance) { m_appearance = appearance; }
  BrowserAppearance appearance() const { return m_appearance; }

  // Writes `image` as NAME-SCHEME.png.
  void save(const QImage& image, const QString& name);
  // Writes `widget` at its own size.
  void grab(QWidget* widget, const QString& name);
  // Writes a control at its preferred size with a 16-pixel margin of
  // `background` around it, so that its edges can be seen.
  void control(QWidget* widget, const QString& name, const QColor& background);

  int written() const { return m_written; }
  int failed() const { return m_failed; }

private:
  QString m_path;
  BrowserAppearance m_appearance = BrowserAppearance::Light;
  int m_written = 0;
  int m_failed = 0;
};

// The sets of pictures, each drawn in the folder's current scheme.
namespace Pictures {
void kit(PictureFolder& folder);
void pages(PictureFolder& folder);
void developerTools(PictureFolder& folder);
void keyboard(PictureFolder& folder);
}  // namespace Pictures

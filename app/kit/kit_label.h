// A text in one of the palette's text colours (ink or muted) that follows
// the scheme of the preferences. Rich text keeps the line spacing the kit's
// texts ask for. Main thread.
#pragma once

#include <QLabel>

#include <memory>

#include "model/browser_preferences.h"

class KitLabel : public QLabel {
  Q_OBJECT

public:
  enum class Tone { Ink, Muted };

  // A label of `text` in `font` and `tone`; `extraLineSpacing` points are
  // added between wrapped lines (0: plain text).
  KitLabel(const QString& text, const QFont& font, Tone tone, std::shared_ptr<BrowserPreferences> preferences,
           double extraLineSpacing = 0, QWidget* parent = nullptr);

  // The text as given, whatever markup shows it.
  const QString& plainText() const { return m_plain; }
  void setPlainText(const QString& text);

protected:
  void changeEvent(QEvent* event) override;

private:
  void applyColours();

  QString m_plain;
  Tone m_tone;
  std::shared_ptr<BrowserPreferences> m_preferences;
  double m_extraLineSpacing;
};

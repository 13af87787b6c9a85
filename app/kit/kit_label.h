// A text in one of the palette's text colours (ink or muted) that follows
// the scheme of the theme. Rich text keeps the line spacing the kit's
// texts ask for. Main thread.
#pragma once

#include <QLabel>

#include <memory>

#include "kit/kit_theme.h"

class KitLabel : public QLabel {
  Q_OBJECT

public:
  enum class Tone { Ink, Muted };

  // A label of `text` in `font` and `tone`; `extraLineSpacing` points are
  // added between wrapped lines (0: plain text).
  KitLabel(const QString& text, const QFont& font, Tone tone, std::shared_ptr<KitTheme> theme,
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
  std::shared_ptr<KitTheme> m_theme;
  double m_extraLineSpacing;
};

#include "kit/kit_label.h"

#include <QEvent>
#include <QFontMetricsF>

#include "kit/palette.h"

KitLabel::KitLabel(const QString& text, const QFont& font, Tone tone, std::shared_ptr<KitTheme> theme,
                   double extraLineSpacing, QWidget* parent)
    : QLabel(parent), m_tone(tone), m_theme(std::move(theme)), m_extraLineSpacing(extraLineSpacing) {
  setFont(font);
  setTextInteractionFlags(Qt::NoTextInteraction);
  setPlainText(text);
  applyColours();
  if (m_theme) {
    connect(m_theme.get(), &KitTheme::schemeChanged, this, &KitLabel::applyColours);
  }
}

void KitLabel::setPlainText(const QString& text) {
  m_plain = text;
  if (m_extraLineSpacing <= 0) {
    setTextFormat(Qt::PlainText);
    setText(text);
    return;
  }
  // Rich text takes the spacing as a percentage of the font's line height.
  double line = QFontMetricsF(font()).lineSpacing();
  int percent = qRound(100.0 * (line + m_extraLineSpacing) / line);
  QString escaped = text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
  setTextFormat(Qt::RichText);
  setText(QStringLiteral("<p style=\"line-height:%1%; margin:0\">%2</p>").arg(percent).arg(escaped));
}

void KitLabel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ApplicationPaletteChange) applyColours();
  QLabel::changeEvent(event);
}

void KitLabel::applyColours() {
  const PaletteColors& colors = Palette::colors(m_theme.get());
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, m_tone == Tone::Ink ? colors.ink : colors.muted);
  palette.setColor(QPalette::Text, m_tone == Tone::Ink ? colors.ink : colors.muted);
  setPalette(palette);
}

#include "kit/kivo_color_picker.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

#include "kit/focus_ring.h"
#include "kit/interaction_cursor.h"
#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/kit_symbols.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_popup.h"
#include "kit/palette.h"
#include "model/browser_preferences.h"

namespace {

const QString kValidHint = QStringLiteral("Renkler anında önizlenir ve bu bilgisayarda saklanır.");
const QString kInvalidHint = QStringLiteral("6 haneli bir HEX kodu gir: 6658D3");

// A rounded square of one colour.
class ColorPreview : public QWidget {
public:
  explicit ColorPreview(QWidget* parent) : QWidget(parent) { setFixedHeight(48); }
  void setColor(const QColor& color) {
    m_color = color;
    update();
  }
  const QColor& color() const { return m_color; }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 10, 10);
    painter.fillPath(shape, m_color);
  }

private:
  QColor m_color;
};

// The code row's rounded chrome fill.
class ChromeRow : public QWidget {
public:
  ChromeRow(std::shared_ptr<KitTheme> theme, QWidget* parent)
      : QWidget(parent), m_theme(std::move(theme)) {}

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 8, 8);
    painter.fillPath(shape, Palette::colors(m_theme.get()).chrome);
  }

private:
  std::shared_ptr<KitTheme> m_theme;
};

}  // namespace

ChannelSlider::ChannelSlider(const QString& title, std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QWidget(parent), m_theme(std::move(theme)) {
  setAccessibleName(title);
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  InteractionCursor::handCursor(this);
  if (m_theme) connect(m_theme.get(), &KitTheme::accentChanged, this, qOverload<>(&QWidget::update));
}

void ChannelSlider::setValue(double value) {
  m_value = std::clamp(value, 0.0, 1.0);
  update();
}

void ChannelSlider::userSet(double value) {
  setValue(value);
  Q_EMIT moved(m_value);
}

double ChannelSlider::valueAt(double x) const {
  double knob = height();
  double span = std::max(1.0, width() - knob);
  return std::clamp((x - knob / 2) / span, 0.0, 1.0);
}

void ChannelSlider::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const PaletteColors& colors = Palette::colors(m_theme.get());
  QColor accent = Palette::accent(m_theme.get());
  double knob = height();
  double centreY = height() / 2.0;
  double left = knob / 2;
  double right = width() - knob / 2;
  double at = left + (right - left) * m_value;
  QPainterPath track;
  track.addRoundedRect(QRectF(left, centreY - 2, right - left, 4), 2, 2);
  painter.fillPath(track, Palette::withOpacity(colors.primary, 0.12));
  QPainterPath filled;
  filled.addRoundedRect(QRectF(left, centreY - 2, at - left, 4), 2, 2);
  painter.fillPath(filled, accent);
  QRectF handle(at - knob / 2 + 1, 1, knob - 2, knob - 2);
  painter.setPen(QPen(colors.line, 1));
  painter.setBrush(Qt::white);
  painter.drawEllipse(handle);
  if (hasFocus()) {
    painter.setPen(QPen(accent, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(handle.adjusted(1, 1, -1, -1));
  }
}

void ChannelSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) userSet(valueAt(event->position().x()));
}

void ChannelSlider::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) userSet(valueAt(event->position().x()));
}

void ChannelSlider::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Down) userSet(m_value - 1.0 / 255);
  else if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Up) userSet(m_value + 1.0 / 255);
  else QWidget::keyPressEvent(event);
}

KivoColorEditor::KivoColorEditor(std::function<void()> close, std::shared_ptr<KitTheme> theme,
                                 QWidget* parent)
    : QWidget(parent), m_close(std::move(close)), m_theme(std::move(theme)) {
  setFixedWidth(kWidth);
  setAttribute(Qt::WA_TranslucentBackground);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(18, 18, 18, 18);
  column->setSpacing(15);

  // 1. Header: title, space, close button.
  auto* header = new QHBoxLayout();
  header->addWidget(new KitLabel(QStringLiteral("Özel vurgu rengi"), KitFonts::system(14, QFont::DemiBold),
                                 KitLabel::Tone::Ink, m_theme, 0, this));
  header->addStretch(1);
  m_closeButton = new KivoButton(m_theme, this);
  m_closeButton->setSymbol(QStringLiteral("xmark"), 11);
  m_closeButton->setPadding(QMargins(5, 5, 5, 5));
  m_closeButton->setAccessibleName(QStringLiteral("Renk seçiciyi kapat"));
  connect(m_closeButton, &QAbstractButton::clicked, this, [this] { m_close(); });
  header->addWidget(m_closeButton);
  column->addLayout(header);

  // 2. Preview.
  auto* preview = new ColorPreview(this);
  m_preview = preview;
  column->addWidget(preview);

  // 3. Channel rows.
  const std::array<QString, 3> titles = {QStringLiteral("Kırmızı"), QStringLiteral("Yeşil"), QStringLiteral("Mavi")};
  for (int channel = 0; channel < 3; ++channel) {
    auto* row = new QHBoxLayout();
    auto* title = new KitLabel(titles[size_t(channel)], KitFonts::system(11), KitLabel::Tone::Ink, m_theme, 0, this);
    title->setFixedWidth(44);
    auto* slider = new ChannelSlider(titles[size_t(channel)], m_theme, this);
    connect(slider, &ChannelSlider::moved, this, [this, channel](double value) { setChannel(channel, value); });
    m_sliders[size_t(channel)] = slider;
    row->addWidget(title);
    row->addWidget(slider, 1);
    column->addLayout(row);
  }

  // 4. Code row: "#", the field, "Uygula".
  auto* codeRow = new ChromeRow(m_theme, this);
  auto* code = new QHBoxLayout(codeRow);
  code->setContentsMargins(11, 11, 11, 11);
  code->addWidget(new KitLabel(QStringLiteral("#"), KitFonts::system(13), KitLabel::Tone::Muted, m_theme, 0, codeRow));
  m_field = new QLineEdit(codeRow);
  m_field->setFrame(false);
  m_field->setPlaceholderText(QStringLiteral("RRGGBB"));
  m_field->setFont(KitFonts::monospaced(13));
  m_field->setAccessibleName(QStringLiteral("Altı haneli HEX renk kodu"));
  InteractionCursor::textCursor(m_field);
  {
    const PaletteColors& colors = Palette::colors(m_theme.get());
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, colors.ink);
    palette.setColor(QPalette::PlaceholderText, colors.muted);
    m_field->setPalette(palette);
  }
  connect(m_field, &QLineEdit::textChanged, this, &KivoColorEditor::refresh);
  connect(m_field, &QLineEdit::returnPressed, this, &KivoColorEditor::apply);
  code->addWidget(m_field, 1);
  m_apply = new KivoButton(m_theme, codeRow);
  m_apply->setText(QStringLiteral("Uygula"));
  m_apply->setPadding(QMargins(6, 2, 6, 2));
  connect(m_apply, &QAbstractButton::clicked, this, &KivoColorEditor::apply);
  code->addWidget(m_apply);
  column->addWidget(codeRow);

  // 5. Hint.
  m_hint = new KitLabel(kValidHint, KitFonts::system(10), KitLabel::Tone::Muted, m_theme, 0, this);
  column->addWidget(m_hint);

  // On showing: the stored accent in upper case, and the channels from it.
  m_field->setText(m_theme ? m_theme->accentHex().toUpper() : QString());
  setChannels();
  refresh();
}

bool KivoColorEditor::valid(const QString& hex) {
  // Six characters that are all ASCII hexadecimal digits; anything outside
  // ASCII fails, so code units and user-perceived characters agree here.
  if (hex.size() != 6) return false;
  for (QChar c : hex) {
    char16_t u = c.unicode();
    bool digit = (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
    if (!digit) return false;
  }
  return true;
}

bool KivoColorEditor::valid() const { return valid(m_field->text()); }

QString KivoColorEditor::hex() const { return m_field->text(); }

QString KivoColorEditor::hint() const { return m_hint->plainText(); }

QColor KivoColorEditor::previewColor() const { return static_cast<ColorPreview*>(m_preview)->color(); }

void KivoColorEditor::setChannels() {
  quint32 value = BrowserPreferences::parseHex(m_field->text()).value_or(BrowserPreferences::kDefaultAccentValue);
  m_channels = {((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0};
  refresh();
}

void KivoColorEditor::apply() {
  if (!valid()) return;
  setChannels();
  if (m_theme) m_theme->setAccentHex(m_field->text().toLower());
}

QString KivoColorEditor::hexOf(const std::array<double, 3>& channels) {
  QString text;
  for (double channel : channels) text += QStringLiteral("%1").arg(int(std::lround(channel * 255)), 2, 16, QLatin1Char('0'));
  return text.toUpper();
}

void KivoColorEditor::setChannel(int channel, double value) {
  // 1. The new channel value.
  m_channels[size_t(channel)] = value;
  // 2. The field shows the three channels as a code.
  QString code = hexOf(m_channels);
  m_field->setText(code);
  // 3. The accent follows at once.
  if (m_theme) m_theme->setAccentHex(code.toLower());
  refresh();
}

void KivoColorEditor::refresh() {
  for (int channel = 0; channel < 3; ++channel) m_sliders[size_t(channel)]->setValue(m_channels[size_t(channel)]);
  static_cast<ColorPreview*>(m_preview)
      ->setColor(QColor::fromRgbF(float(m_channels[0]), float(m_channels[1]), float(m_channels[2])));
  bool ok = valid();
  m_apply->setEnabled(ok);
  m_hint->setPlainText(ok ? kValidHint : kInvalidHint);
}

void KivoColorEditor::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  m_field->setFocus(Qt::PopupFocusReason);
}

void KivoColorEditor::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    m_close();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

KivoColorPicker::KivoColorPicker(std::shared_ptr<KitTheme> theme, QWidget* parent)
    : KivoButton(theme, parent) {
  setSymbol(QStringLiteral("slider.horizontal.3"), 15);
  setFrameSize(QSize(kSide, kSide));
  setToolTip(QStringLiteral("Özel vurgu rengi"));
  setAccessibleName(QStringLiteral("Özel vurgu rengi"));
  focusRing()->setRadius(9);
  m_popup = new KivoPopup(
      this,
      [this] { return new KivoColorEditor([this] { m_popup->setPresented(false); }, this->theme()); },
      theme);
  connect(this, &QAbstractButton::clicked, this, [this] { m_popup->setPresented(!m_popup->isPresented()); });
}

bool KivoColorPicker::isOpen() const { return m_popup->isPresented(); }

KivoColorEditor* KivoColorPicker::editor() const {
  KivoPanel* panel = m_popup->panel();
  return panel ? panel->findChild<KivoColorEditor*>() : nullptr;
}

void KivoColorPicker::paintLabel(QPainter& painter, const QRectF& rect) {
  const PaletteColors& colors = Palette::colors(theme().get());
  QRectF frame = this->rect();
  QPainterPath shape;
  shape.addRoundedRect(frame, 9, 9);
  painter.fillPath(shape, colors.chrome);
  QPainterPath outline;
  outline.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
  painter.strokePath(outline, QPen(colors.line, 1));
  KivoButton::paintLabel(painter, rect);
}

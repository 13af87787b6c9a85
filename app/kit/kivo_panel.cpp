#include "kit/kivo_panel.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "kit/palette.h"
#include "platform/window_compositing.h"

namespace {

// One box blur of `size` values spaced `stride` apart in `source`, into
// the contiguous `target`, with a window of 2 * radius + 1 values; values
// past the ends count as zero.
void boxBlurLine(const uchar* source, qsizetype stride, uchar* target, int size, int radius) {
  const int window = 2 * radius + 1;
  int sum = 0;
  for (int i = 0; i < std::min(radius, size); ++i) sum += source[i * stride];
  for (int i = 0; i < size; ++i) {
    if (i + radius < size) sum += source[(i + radius) * stride];
    if (i - radius - 1 >= 0) sum -= source[(i - radius - 1) * stride];
    target[i] = static_cast<uchar>((sum + window / 2) / window);
  }
}

// Three box blurs across and three down: close to a Gaussian blur whose
// spread is about `radius` points.
void blur(QImage& alpha, int radius) {
  const int width = alpha.width();
  const int height = alpha.height();
  const qsizetype stride = alpha.bytesPerLine();
  std::vector<uchar> line(static_cast<size_t>(std::max(width, height)));
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < height; ++y) {
      uchar* row = alpha.scanLine(y);
      boxBlurLine(row, 1, line.data(), width, radius);
      std::copy(line.begin(), line.begin() + width, row);
    }
    for (int x = 0; x < width; ++x) {
      uchar* column = alpha.bits() + x;
      boxBlurLine(column, stride, line.data(), height, radius);
      for (int y = 0; y < height; ++y) column[y * stride] = line[static_cast<size_t>(y)];
    }
  }
}

}  // namespace

KivoPanel::Depth KivoPanel::depthFor(bool composites) { return composites ? Depth::Shadow : Depth::Edge; }

KivoPanel::KivoPanel(Role role, QWidget* parentWindow, std::shared_ptr<KitTheme> theme)
    : TranslucentWindow(parentWindow, role == Role::Sheet ? (Qt::Dialog | Qt::FramelessWindowHint)
                                                : (Qt::Tool | Qt::FramelessWindowHint)),
      m_role(role),
      m_depth(depthFor(WindowCompositing::composites())),
      m_theme(std::move(theme)) {
  // Only a composited window may have transparent pixels; elsewhere they
  // would show black, so the panel stays opaque.
  setTranslucent(m_depth == Depth::Shadow);
  setAttribute(Qt::WA_DeleteOnClose, false);
  if (role == Role::Sheet) setWindowModality(Qt::WindowModal);
  setFocusPolicy(Qt::StrongFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(margins());
  layout->setSpacing(0);
  if (m_theme) {
    connect(m_theme.get(), &KitTheme::schemeChanged, this, [this] {
      m_shadow = QImage();
      update();
    });
  }
}

QMargins KivoPanel::margins() const { return m_depth == Depth::Shadow ? kShadowMargins : QMargins(); }

void KivoPanel::setCornerRadius(double radius) {
  m_radius = radius;
  m_shadow = QImage();
  update();
}

void KivoPanel::setContent(QWidget* content) {
  if (m_content) {
    layout()->removeWidget(m_content);
    m_content->deleteLater();
  }
  m_content = content;
  layout()->addWidget(content);
  resize(content->sizeHint().grownBy(margins()));
}

void KivoPanel::setVisible(bool visible) {
  // The window system may have started or stopped compositing since the
  // panel was made: it is asked again whenever the panel appears.
  if (visible && !isVisible()) setDepth(depthFor(WindowCompositing::composites()));
  QWidget::setVisible(visible);
}

void KivoPanel::setDepth(Depth depth) {
  if (depth == m_depth) return;
  // The card keeps its place; the room around it changes.
  const QRect card = cardGeometry();
  m_depth = depth;
  setTranslucent(depth == Depth::Shadow);
  // The layout's minimum size (content and margins) bounds the geometry, so
  // it must know the new margins first.
  layout()->setContentsMargins(margins());
  layout()->activate();
  m_shadow = QImage();
  setCardGeometry(card);
}

QRect KivoPanel::cardRect() const { return rect().marginsRemoved(margins()); }

QRect KivoPanel::cardGeometry() const { return geometry().marginsRemoved(margins()); }

void KivoPanel::setCardGeometry(const QRect& card) { setGeometry(card.marginsAdded(margins())); }

const QImage& KivoPanel::shadow() {
  if (m_depth != Depth::Shadow || size().isEmpty()) {
    m_shadow = QImage();
    return m_shadow;
  }
  if (!m_shadow.isNull() && m_shadow.size() == size()) return m_shadow;
  // The card's shape, lowered by the offset, blurred into a soft edge.
  QImage alpha(size(), QImage::Format_Alpha8);
  alpha.fill(0);
  {
    QPainter painter(&alpha);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(cardRect().translated(0, kShadowOffset)), m_radius, m_radius);
    painter.fillPath(shape, Qt::black);
  }
  blur(alpha, kShadowBlur / 2);
  // Black at a strength that shows on the scheme's pages: a dark page needs
  // a deeper shadow to set a dark card apart.
  const double strength = Palette::scheme(m_theme.get()) == ColorScheme::Dark ? 0.6 : 0.22;
  m_shadow = QImage(size(), QImage::Format_ARGB32_Premultiplied);
  m_shadow.fill(Qt::transparent);
  QPainter painter(&m_shadow);
  painter.setOpacity(strength);
  painter.drawImage(0, 0, alpha);
  return m_shadow;
}

void KivoPanel::paintCard(QPainter& painter, const QWidget* card, double radius, const KitTheme* theme) {
  const PaletteColors& colors = Palette::colors(theme);
  const auto* panel = qobject_cast<const KivoPanel*>(card->window());
  painter.save();
  if (panel && panel->depth() == Depth::Edge) {
    // Square and opaque to the last pixel, with the edge just inside.
    painter.fillRect(card->rect(), colors.surface);
    painter.setPen(QPen(Palette::edge(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(card->rect()).adjusted(0.5, 0.5, -0.5, -0.5));
  } else {
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(card->rect()), radius, radius);
    painter.fillPath(shape, colors.surface);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(card->rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.strokePath(outline, QPen(colors.line, 1));
  }
  painter.restore();
}

KivoPanel* KivoPanel::attachedSheet(QWidget* window) {
  if (!window) return nullptr;
  for (auto* panel : window->findChildren<KivoPanel*>(Qt::FindDirectChildrenOnly)) {
    if (panel->role() == Role::Sheet && panel->isVisible()) return panel;
  }
  return nullptr;
}

void KivoPanel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    if (m_dismiss) m_dismiss();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void KivoPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (m_depth != Depth::Shadow) {
    // The card over the whole panel, so that no pixel is left to the
    // system's background even where the content paints nothing.
    paintCard(painter, this, m_radius, m_theme.get());
    return;
  }
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(0, 0, shadow());
}

void KivoPanel::resizeEvent(QResizeEvent* event) {
  m_shadow = QImage();
  QWidget::resizeEvent(event);
}

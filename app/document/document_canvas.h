// The document canvas: draws a laid-out document's paint commands, the
// developer tools' highlight of the selected node and the keyboard focus ring,
// and makes the document's links usable by pointer and keyboard. Coordinates
// are the document's (origin top-left, y downwards). Main thread.
//
// Text is drawn with the reference font that measured it for the renderer,
// under a scale, so that drawn widths are the laid-out widths. A document may
// carry tens of thousands of commands: what one paint needs per command (its
// kind and the extent it can draw into) is prepared once per document, and a
// paint only visits the commands whose extent meets the dirty rectangle.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "loading/page_document.h"
#include "platform/font_text_measurer.h"

// A 0xRRGGBBAA colour of a document as an sRGB colour.
QColor documentColor(quint32 rgba);

// Where a box command fills and strokes: the fill is `rect` with corner
// radius `radius`; when `borderWidth` is positive, the border is a stroke of
// that width along `borderRect` with corner radius `borderRadius`, so that it
// lies wholly inside the box.
struct BoxGeometry {
  QRectF rect;
  qreal radius = 0;
  qreal borderWidth = 0;
  QRectF borderRect;
  qreal borderRadius = 0;

  static BoxGeometry of(const PaintCommand& command);
};

// Where the canvas would scroll to show `rect`: `origin` moved as little as
// possible so that `rect` lies in the visible area of `visible` size, its
// leading edges first when it is larger than that area.
QPointF originShowing(const QRectF& rect, const QPointF& origin, const QSizeF& visible);

class DocumentCanvas : public QWidget {
  Q_OBJECT

public:
  // The text colour of commands without one, and the size of text without one.
  static constexpr quint32 kDefaultTextColor = 0x292B38FF;
  static constexpr qreal kDefaultTextSize = 16;

  explicit DocumentCanvas(QWidget* parent = nullptr);
  ~DocumentCanvas() override;

  const std::optional<PageDocument>& document() const { return m_document; }
  // Shows `document`. A document whose commands differ from the shown one's
  // drops the keyboard focus from its link.
  void setDocument(std::optional<PageDocument> document);
  const QString& address() const { return m_address; }
  void setAddress(const QString& address) { m_address = address; }
  void setOnLink(std::function<void(const QString& href)> onLink) { m_onLink = std::move(onLink); }

  const std::optional<InspectorBounds>& highlightedBounds() const { return m_highlightedBounds; }
  void setHighlightedBounds(const std::optional<InspectorBounds>& bounds) { m_highlightedBounds = bounds; }
  const std::optional<qint64>& highlightedNodeID() const { return m_highlightedNodeID; }
  void setHighlightedNodeID(const std::optional<qint64>& id) { m_highlightedNodeID = id; }

  // The links: indices of the commands with a link target and a positive
  // width and height, in command order.
  const std::vector<qsizetype>& links() const { return m_links; }
  // The index into links() of the keyboard-focused link, or -1.
  int focusedLink() const { return m_focusedLink; }
  // The link target under `point`, where the link painted last wins.
  std::optional<QString> linkAt(const QPointF& point) const;

  // Draws the part `dirty` of the canvas (in canvas coordinates) with
  // `painter`, whose transform maps canvas coordinates to its device.
  void paint(QPainter& painter, const QRectF& dirty);

  // Sets the pointing-hand cursor while the pointer, as the last mouse event
  // placed it, is over a link, and the ordinary cursor otherwise.
  void refreshCursor();

  // Scrolls the enclosing scroll area, if any, so that `rect` is visible.
  void scrollRectToVisible(const QRectF& rect);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool next) override;

private:
  // What a paint needs of one command.
  struct Item {
    enum class Kind : quint8 { Nothing, Box, Image, Text };
    Kind kind = Kind::Nothing;
    // True once a text's extent includes its measured advance.
    bool measured = false;
    // The area the command can draw into.
    QRectF extent;
  };

  void prepare();
  bool reachesInto(qsizetype index, const QRectF& dirty);
  void drawText(QPainter& painter, const PaintCommand& command, const QTransform& base);
  QRectF ringRect(int link) const;
  void activate(const QString& href);

  std::optional<PageDocument> m_document;
  QString m_address;
  std::optional<InspectorBounds> m_highlightedBounds;
  std::optional<qint64> m_highlightedNodeID;
  std::function<void(const QString& href)> m_onLink;
  int m_focusedLink = -1;

  std::vector<Item> m_items;
  std::vector<qsizetype> m_links;
  std::optional<QPointF> m_pointer;
  bool m_pointing = false;

  FontTextMeasurer m_measurer;
  QFont m_fonts[4];  // regular, bold, regular underlined, bold underlined
  QFontMetricsF m_regularMetrics;
  QFontMetricsF m_boldMetrics;
};

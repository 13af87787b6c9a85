// The laid-out document as the application holds it, decoded from the
// renderer's one-line scene JSON, with the rules a document must pass before
// it is shown.
#pragma once

#include <QList>
#include <QMap>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

#include "loading/subresource_records.h"
#include "support/wire_contract.h"

// A node's border box in document pixels.
struct InspectorBounds {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;

  QRectF rect() const { return QRectF(x, y, width, height); }
};

// One paint command: a box, a run of text or an image, in drawing order.
struct PaintCommand {
  QString kind;  // "box", "text" or "image"
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  std::optional<quint32> background;  // 0xRRGGBBAA
  std::optional<quint32> border;      // 0xRRGGBBAA
  std::optional<double> borderWidth;
  std::optional<double> radius;
  std::optional<QString> text;  // a run's text, or an image's alternative text
  std::optional<double> size;   // font size in pixels
  std::optional<bool> bold;
  std::optional<quint32> color;  // text colour, 0xRRGGBBAA
  std::optional<QString> href;   // absent outside links
  std::optional<qint64> imageId;

  QRectF rect() const { return QRectF(x, y, width, height); }
};

// One DOM node as the developer tools show it.
struct InspectedNode {
  qint64 id = 0;
  std::optional<qint64> parent;
  qint64 depth = 0;
  QString name;  // "#document", "#text" or the element's tag name
  QString text;
  QMap<QString, QString> attributes;
  QMap<QString, QString> computed;
  std::optional<InspectorBounds> bounds;

  // The one-line label of the node: a text node's quoted text, "#document",
  // or the element's tag with its id and class.
  QString label() const;
};

// A document's lists grow as the scene is decoded. Both element types hold
// only Qt's implicitly shared values, numbers and std::optional of them, none
// of which points into itself, so they may be moved by copying their bytes:
// the lists then grow in place (realloc) instead of moving every element into
// freshly touched memory at each step.
Q_DECLARE_TYPEINFO(PaintCommand, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(InspectedNode, Q_RELOCATABLE_TYPE);

struct PageDocument {
  // Limits of an acceptable document.
  static constexpr int kVersion = kivo_wire::kSceneVersion;
  static constexpr double kMaximumHeight = kivo_wire::kMaxDocumentHeight;
  static constexpr qsizetype kMaximumCommands = kivo_wire::kMaxPaints;
  // Image ids are manifest indices.
  static constexpr qint64 kMaximumImageId = kivo_wire::kMaxResources - 1;

  QMap<qint64, RasterImage> images;  // never part of the JSON; filled by the page loader
  qint64 version = 0;
  QString title;
  double width = 0;
  double height = 0;
  QList<PaintCommand> commands;
  QStringList warnings;
  QMap<QString, double> anchors;
  std::optional<QList<InspectedNode>> nodes;
  std::optional<bool> inspectorTruncated;

  // Decodes one scene document from its JSON text. Throws DecodingError when
  // the text is not JSON, a required member is missing or a member has the
  // wrong type; nothing is repaired. The scene decoder (scene_decoder.cpp)
  // defines it: the decoder depends on these types, never they on it.
  static PageDocument fromJson(std::string_view text);

  // True when the document may be shown: version 2, a positive finite size
  // (height at most 200,000), at most 20,000 commands, each of a known kind
  // with a finite non-negative rectangle, images with an id from 0 to 15 and
  // text runs with their text and a size from 6 to 128.
  bool isValid() const;
};

// A document and whether the document cache served it without rendering.
struct DocumentLoad {
  PageDocument document;
  bool cacheHit = false;
};

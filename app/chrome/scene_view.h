// The document view: one laid-out document in a scroll area, drawn by the
// document canvas. Each update hands the canvas its inputs, sizes it to at
// least the visible area and decides where the page is scrolled to (keep the
// place, restore the tab's remembered place, jump to the fragment's anchor or
// start at the top); every scroll is written into the tab's remembered page
// position. Main thread.
#pragma once

#include <QScrollArea>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "loading/page_document.h"
#include "model/browser_tab.h"

class DocumentCanvas;

// What the root view hands the document view on every update.
struct SceneInputs {
  PageDocument document;
  QString address;
  std::optional<QString> fragment;
  std::shared_ptr<TabPagePosition> pagePosition;
  std::function<void(const QString& href)> onLink;
  std::optional<InspectorBounds> highlightedBounds;
  std::optional<qint64> highlightedNodeID;
};

class SceneView : public QScrollArea {
  Q_OBJECT

public:
  explicit SceneView(QWidget* parent = nullptr);
  ~SceneView() override;

  // Shows `inputs`; see the file comment.
  void apply(const SceneInputs& inputs);

  DocumentCanvas* canvas() const { return m_canvas; }

private:
  DocumentCanvas* m_canvas = nullptr;
  std::shared_ptr<TabPagePosition> m_position;
  bool m_updating = false;
};

#include "chrome/scene_view.h"

#include "chrome/document_canvas.h"

SceneView::SceneView(QWidget* parent) : QScrollArea(parent), m_canvas(new DocumentCanvas()) {
  setWidget(m_canvas);
}

SceneView::~SceneView() = default;

void SceneView::apply(const SceneInputs& inputs) {
  m_position = inputs.pagePosition;
  m_canvas->setDocument(inputs.document);
  m_canvas->setAddress(inputs.address);
  m_canvas->setOnLink(inputs.onLink);
  m_canvas->resize(static_cast<int>(inputs.document.width), static_cast<int>(inputs.document.height));
}

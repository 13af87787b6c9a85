#include "chrome/document_canvas.h"

DocumentCanvas::DocumentCanvas(QWidget* parent) : QWidget(parent) {}

DocumentCanvas::~DocumentCanvas() = default;

void DocumentCanvas::setDocument(std::optional<PageDocument> document) {
  m_document = std::move(document);
}

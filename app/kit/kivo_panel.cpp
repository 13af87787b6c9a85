#include "kit/kivo_panel.h"

#include <QKeyEvent>
#include <QVBoxLayout>

KivoPanel::KivoPanel(Role role, QWidget* parentWindow)
    : QWidget(parentWindow, role == Role::Sheet ? (Qt::Dialog | Qt::FramelessWindowHint)
                                                : (Qt::Tool | Qt::FramelessWindowHint)),
      m_role(role) {
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_DeleteOnClose, false);
  if (role == Role::Sheet) setWindowModality(Qt::WindowModal);
  setFocusPolicy(Qt::StrongFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
}

void KivoPanel::setContent(QWidget* content) {
  if (m_content) {
    layout()->removeWidget(m_content);
    m_content->deleteLater();
  }
  m_content = content;
  layout()->addWidget(content);
  resize(content->sizeHint());
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

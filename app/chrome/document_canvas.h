// The document canvas: draws a laid-out document's paint commands, the
// developer tools' highlight of the selected node and the keyboard focus ring,
// and makes the document's links usable by pointer and keyboard. Coordinates
// are the document's (origin top-left, y downwards). Main thread.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

#include "loading/page_document.h"

class DocumentCanvas : public QWidget {
  Q_OBJECT

public:
  explicit DocumentCanvas(QWidget* parent = nullptr);
  ~DocumentCanvas() override;

  const std::optional<PageDocument>& document() const { return m_document; }
  void setDocument(std::optional<PageDocument> document);
  const QString& address() const { return m_address; }
  void setAddress(const QString& address) { m_address = address; }
  void setOnLink(std::function<void(const QString& href)> onLink) { m_onLink = std::move(onLink); }

private:
  std::optional<PageDocument> m_document;
  QString m_address;
  std::function<void(const QString& href)> m_onLink;
};

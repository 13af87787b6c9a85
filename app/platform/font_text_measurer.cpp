#include "platform/font_text_measurer.h"

#include <QHash>

#include <mutex>

#include "platform/font_factory.h"

namespace {

// Reference-size advances by text, one table per weight, for every measurer
// of the process. The lock is held only to look up and to store, never while
// a text is shaped.
class SharedWidths {
public:
  static SharedWidths& instance() {
    static SharedWidths widths;
    return widths;
  }

  bool find(const QString& text, bool bold, qreal& advance) {
    const std::lock_guard lock(m_mutex);
    const QHash<QString, qreal>& table = bold ? m_bold : m_regular;
    const auto found = table.constFind(text);
    if (found == table.constEnd()) return false;
    advance = *found;
    return true;
  }

  void store(const QString& text, bool bold, qreal advance) {
    const std::lock_guard lock(m_mutex);
    if (static_cast<std::size_t>(m_regular.size() + m_bold.size()) >= FontTextMeasurer::kSharedWidthLimit) {
      m_regular.clear();
      m_bold.clear();
    }
    (bold ? m_bold : m_regular).insert(text, advance);
  }

  void clear() {
    const std::lock_guard lock(m_mutex);
    m_regular.clear();
    m_bold.clear();
  }

private:
  std::mutex m_mutex;
  QHash<QString, qreal> m_regular;
  QHash<QString, qreal> m_bold;
};

}  // namespace

FontTextMeasurer::FontTextMeasurer()
    : m_regular(FontFactory::referenceFont(false)), m_bold(FontFactory::referenceFont(true)) {}

qreal FontTextMeasurer::width(const QString& text, qreal cssPixels, bool bold) const {
  const qreal scale = FontFactory::scaleFor(cssPixels);
  if (text.size() > kSharedTextLimit) return (bold ? m_bold : m_regular).horizontalAdvance(text) * scale;
  SharedWidths& shared = SharedWidths::instance();
  qreal advance = 0;
  if (!shared.find(text, bold, advance)) {
    advance = (bold ? m_bold : m_regular).horizontalAdvance(text);
    shared.store(text, bold, advance);
  }
  return advance * scale;
}

void FontTextMeasurer::forgetSharedWidths() {
  SharedWidths::instance().clear();
}

#include "pages/devtools_text.h"

#include <cmath>

namespace DevToolsText {

QString wholeNumber(double value) {
  if (!std::isfinite(value)) return QStringLiteral("—");
  const double truncated = std::trunc(value);
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  if (truncated >= 9223372036854775808.0 || truncated < -9223372036854775808.0) return QStringLiteral("—");
  return QString::number(static_cast<qint64>(truncated));
}

QString boxLine(const InspectorBounds& bounds) {
  return wholeNumber(bounds.width) + QStringLiteral(" × ") + wholeNumber(bounds.height) + QStringLiteral(" px · x ") +
         wholeNumber(bounds.x) + QStringLiteral(" · y ") + wholeNumber(bounds.y);
}

QList<NetworkLine> networkLines(const std::optional<NetworkResponse>& response) {
  if (!response) {
    return {{QStringLiteral("Bu sekmede tamamlanmış bir ağ yanıtı yok."), false, false},
            {QStringLiteral("Bağlantı hataları Console bölümünde gösterilir."), true, false}};
  }
  return {
      {QStringLiteral("GET ") + QString::fromUtf8(response->url.toEncoded()), false, true},
      {QStringLiteral("HTTP ") + QString::number(response->status) + QStringLiteral(" · ") + response->mime, false,
       false},
      {QString::number(response->byteCount) + QStringLiteral(" bayt · ") + wholeNumber(response->elapsed * 1000) +
           QStringLiteral(" ms"),
       false, false},
      {QStringLiteral("Ana belge isteği. Alt kaynak hataları Console bölümünde gösterilir; ayrıntılı kaynak zaman "
                      "çizelgesi henüz yok."),
       true, false},
  };
}

bool isBlankText(const InspectedNode& node) {
  if (node.name != QLatin1String("#text")) return false;
  for (const QChar c : node.text) {
    if (!c.isSpace()) return false;
  }
  return true;
}

QList<qsizetype> visibleRows(const QList<InspectedNode>& nodes, const QSet<qint64>& collapsed) {
  QList<qsizetype> rows;
  rows.reserve(nodes.size());
  std::optional<qint64> hiddenDepth;
  for (qsizetype i = 0; i < nodes.size(); ++i) {
    const InspectedNode& node = nodes.at(i);
    // 1. Inside a collapsed run every deeper node stays hidden.
    if (hiddenDepth && node.depth > *hiddenDepth) continue;
    // 2. A node at the run's depth or above ends the run.
    hiddenDepth.reset();
    // 3. Text of nothing but white space gets no row.
    if (isBlankText(node)) continue;
    // 4. The node gets its row.
    rows.append(i);
    // 5. A collapsed node starts a hidden run below itself.
    if (!collapsed.isEmpty() && collapsed.contains(node.id)) hiddenDepth = node.depth;
  }
  return rows;
}

QSet<qint64> parentIDs(const QList<InspectedNode>& nodes) {
  QSet<qint64> parents;
  parents.reserve(nodes.size());
  for (const InspectedNode& node : nodes) {
    if (node.parent) parents.insert(*node.parent);
  }
  return parents;
}

}  // namespace DevToolsText

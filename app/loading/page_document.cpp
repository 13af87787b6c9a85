#include "loading/page_document.h"

#include <QTextBoundaryFinder>

#include <cmath>

namespace {

// The first `count` user-perceived characters of `text`.
QString firstCharacters(const QString& text, int count) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  int taken = 0;
  while (taken < count && finder.toNextBoundary() != -1) ++taken;
  if (taken < count) return text;
  return text.left(finder.position());
}

bool finiteNonNegative(double value) {
  return std::isfinite(value) && value >= 0;  // -0 passes: it compares equal to 0
}

bool commandIsValid(const PaintCommand& command) {
  const bool box = command.kind == QLatin1String("box");
  const bool text = command.kind == QLatin1String("text");
  const bool image = command.kind == QLatin1String("image");
  if (!box && !text && !image) return false;
  if (!finiteNonNegative(command.x) || !finiteNonNegative(command.y) || !finiteNonNegative(command.width) ||
      !finiteNonNegative(command.height)) {
    return false;
  }
  if (image && (!command.imageId || *command.imageId < 0 || *command.imageId > PageDocument::kMaximumImageId)) {
    return false;
  }
  if (text && (!command.text || !command.size ||
               !(*command.size >= kivo_wire::kMinFontSize && *command.size <= kivo_wire::kMaxFontSize))) {
    return false;
  }
  return true;
}

}  // namespace

bool PageDocument::isValid() const {
  // 1. The format version.
  if (version != kVersion) return false;
  // 2. A positive finite width.
  if (!std::isfinite(width) || !(width > 0)) return false;
  // 3. A positive finite height within the page budget.
  if (!std::isfinite(height) || !(height > 0) || height > kMaximumHeight) return false;
  // 4. The command budget.
  if (commands.size() > kMaximumCommands) return false;
  // 5. Every command on its own.
  for (const PaintCommand& command : commands) {
    if (!commandIsValid(command)) return false;
  }
  return true;
}

QString InspectedNode::label() const {
  if (name == QLatin1String("#text")) {
    return QLatin1Char('"') + firstCharacters(text.trimmed(), 75) + QLatin1Char('"');
  }
  if (name == QLatin1String("#document")) return name;
  QString tag = QLatin1Char('<') + name;
  const auto id = attributes.constFind(QStringLiteral("id"));
  if (id != attributes.constEnd()) tag += QStringLiteral(" id=\"") + *id + QLatin1Char('"');
  const auto className = attributes.constFind(QStringLiteral("class"));
  if (className != attributes.constEnd()) tag += QStringLiteral(" class=\"") + *className + QLatin1Char('"');
  return tag + QLatin1Char('>');
}

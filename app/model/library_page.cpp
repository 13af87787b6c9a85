#include "model/library_page.h"

#include <QCoreApplication>
#include <QDir>

#include "model/builtin_pages.h"

const QList<LibraryPage>& LibraryPage::all() {
  static const QList<LibraryPage> pages = {
      {BuiltinPages::host(BuiltinPages::kWelcome), QStringLiteral("Kivo ile tanış"),
       QStringLiteral("Kendi HTML, CSS ve yerleşim motorumuzla."), QStringLiteral("sparkles")},
      {BuiltinPages::host(BuiltinPages::kEngine), QStringLiteral("Motor günlüğü"),
       QStringLiteral("Bugün çalışanlar ve sıradaki adımlar."), QStringLiteral("square.stack.3d.up")},
      {BuiltinPages::host(BuiltinPages::kPrinciples), QStringLiteral("Kivo'nın ilkeleri"),
       QStringLiteral("Sadelik, içerik politikası ve bağımsız geliştirme."), QStringLiteral("leaf")},
  };
  return pages;
}

QString LibraryPage::address() const {
  return BuiltinPages::kPrefix + id;
}

namespace {

// Decomposes `text`, drops its combining marks and folds its case.
QString foldedFully(const QString& text) {
  const QString decomposed = text.normalized(QString::NormalizationForm_KD);
  QString kept;
  kept.reserve(decomposed.size());
  for (const QChar c : decomposed) {
    const QChar::Category category = c.category();
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing ||
        category == QChar::Mark_SpacingCombining) {
      continue;
    }
    kept.append(c);
  }
  return kept.toCaseFolded();
}

}  // namespace

QString LibraryPage::searchFolded(const QString& text) {
  // ASCII has nothing to decompose and no marks, and folds to its lower
  // case; only the runs of other characters take the full way. Every step
  // works on characters or on one base with its marks, so the runs fold as
  // the whole text would. Long addresses are mostly ASCII.
  QString folded;
  folded.reserve(text.size());
  const qsizetype size = text.size();
  qsizetype at = 0;
  while (at < size) {
    const qsizetype start = at;
    while (at < size && text.at(at).unicode() < 0x80) ++at;
    if (at > start) {
      const qsizetype from = folded.size();
      folded.append(QStringView(text).sliced(start, at - start));
      QChar* c = folded.data() + from;
      for (QChar* const last = folded.data() + folded.size(); c != last; ++c) {
        if (c->unicode() >= u'A' && c->unicode() <= u'Z') *c = QChar(char16_t(c->unicode() + 32));
      }
    }
    qsizetype end = at;
    while (end < size && text.at(end).unicode() >= 0x80) ++end;
    if (end > at) folded.append(foldedFully(text.sliced(at, end - at)));
    at = end;
  }
  return folded;
}

QList<LibraryPage> LibraryPage::search(const QString& query) {
  if (query.isEmpty()) return all();
  const QString needle = searchFolded(query);
  QList<LibraryPage> found;
  for (const LibraryPage& page : all()) {
    if (searchFolded(page.title + QLatin1Char(' ') + page.description).contains(needle)) found.append(page);
  }
  return found;
}

std::optional<QString> LibraryPage::resourceFolder() {
  if (!QCoreApplication::instance()) return std::nullopt;
  const QString folder = QCoreApplication::applicationDirPath();
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<QString> LibraryPage::filePath(const QString& id) {
  const std::optional<QString> folder = resourceFolder();
  if (!folder) return std::nullopt;
  return QDir(*folder).filePath(QStringLiteral("pages/") + id + QStringLiteral(".html"));
}

// Pieces that several built-in pages show the same way: the page title with
// its symbol, the empty-state view, the rounded search field, and the
// user-facing search and size texts. Main thread.
#pragma once

#include <QLineEdit>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

#include "kit/kit_theme.h"
#include "model/browser_preferences.h"

class PageText;

namespace PageParts {

// A title row: the symbol, then the text at 30 pt semibold.
QWidget* title(const QString& text, const QString& symbol, std::shared_ptr<BrowserPreferences> preferences,
               double tracking = 0);

// The empty-state view: a large muted symbol above a title, centred.
QWidget* emptyState(const QString& title, const QString& symbol, std::shared_ptr<BrowserPreferences> preferences);

// A text field with a rounded 1-pt border that follows the scheme.
QLineEdit* searchField(const QString& placeholder, std::shared_ptr<BrowserPreferences> preferences);

// True when `text` contains `query` without regard to case and diacritics;
// an empty query is contained in every text.
bool containsFolded(const QString& text, const QString& query);

// A red line of 13 pt that wraps: a page's error or notice, shown by
// setLine().
PageText* errorLine(std::shared_ptr<KitTheme> theme);
// Shows `text` on `line`, or hides the line when there is none.
void setLine(PageText* line, const std::optional<QString>& text);

// The notice of a list file that could not be used and was moved aside to
// the path `keptAside`: `subject`, " okunamadı; ", the moved file's name and
// " olarak saklandı."; nothing when no file was moved aside.
std::optional<QString> keptAsideNotice(const QString& subject, const std::optional<QString>& keptAside);

// A byte count in units of 1,000 (file sizes) or 1,024 (memory).
QString fileSize(qint64 bytes);
QString memorySize(qint64 bytes);

}  // namespace PageParts

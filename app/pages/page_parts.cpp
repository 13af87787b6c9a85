#include "pages/page_parts.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLocale>
#include <QVBoxLayout>

#include <cmath>

#include "kit/interaction_cursor.h"
#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/library_page.h"
#include "pages/page_widgets.h"

namespace PageParts {
namespace {

// A line edit that restyles itself for the current scheme.
class SchemedField : public QLineEdit {
public:
  explicit SchemedField(std::shared_ptr<BrowserPreferences> preferences)
      : m_preferences(std::move(preferences)), m_theme(PreferencesTheme::of(m_preferences)) {
    restyle();
    const auto again = [this] { restyle(); };
    connect(m_preferences.get(), &BrowserPreferences::appearanceChanged, this, again);
    connect(m_preferences.get(), &BrowserPreferences::previewAppearanceChanged, this, again);
    connect(m_preferences.get(), &BrowserPreferences::accentHexChanged, this, again);
  }

private:
  void restyle() {
    const PaletteColors& colors = Palette::colors(m_theme.get());
    const QColor line = Palette::withOpacity(colors.ink, 0.22);
    setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: 6px;"
                                 " padding: 4px 8px; selection-background-color: %4; }"
                                 "QLineEdit:focus { border: 1px solid %4; }")
                      .arg(colors.surface.name(), colors.ink.name(), line.name(QColor::HexArgb),
                           Palette::accent(m_theme.get()).name()));
  }
  std::shared_ptr<BrowserPreferences> m_preferences;
  std::shared_ptr<KitTheme> m_theme;
};

QString scaledSize(qint64 bytes, double unit, const QStringList& units) {
  if (bytes < unit) return QStringLiteral("%1 bayt").arg(bytes);
  double value = double(bytes);
  qsizetype index = -1;
  while (value >= unit && index + 1 < units.size()) {
    value /= unit;
    ++index;
  }
  const int decimals = value < 10 ? 1 : 0;
  return QLocale().toString(value, 'f', decimals) + QLatin1Char(' ') + units.at(index);
}

}  // namespace

QWidget* title(const QString& text, const QString& symbol, std::shared_ptr<BrowserPreferences> preferences,
               double tracking) {
  std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(10);
  layout->addWidget(new PageSymbol(symbol, 28, [theme] { return Palette::colors(theme.get()).ink; }));
  QFont font = KitFonts::system(30, QFont::DemiBold);
  if (tracking != 0) font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
  layout->addWidget(new KitLabel(text, font, KitLabel::Tone::Ink, theme));
  layout->addStretch(1);
  return row;
}

QWidget* emptyState(const QString& title, const QString& symbol, std::shared_ptr<BrowserPreferences> preferences) {
  std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  auto* view = new QWidget;
  auto* column = new QVBoxLayout(view);
  column->setContentsMargins(0, 24, 0, 24);
  column->setSpacing(12);
  column->addWidget(new PageSymbol(symbol, 40, [theme] { return Palette::colors(theme.get()).muted; }),
                    0, Qt::AlignHCenter);
  auto* label = new KitLabel(title, KitFonts::system(17, QFont::DemiBold), KitLabel::Tone::Ink, theme);
  column->addWidget(label, 0, Qt::AlignHCenter);
  return view;
}

QLineEdit* searchField(const QString& placeholder, std::shared_ptr<BrowserPreferences> preferences) {
  auto* field = new SchemedField(std::move(preferences));
  field->setPlaceholderText(placeholder);
  field->setFont(KitFonts::system(13));
  field->setClearButtonEnabled(false);
  InteractionCursor::textCursor(field);
  return field;
}

bool containsFolded(const QString& text, const QString& query) {
  if (query.isEmpty()) return true;
  return LibraryPage::searchFolded(text).contains(LibraryPage::searchFolded(query));
}

PageText* errorLine(std::shared_ptr<KitTheme> theme) {
  auto* line = new PageText({}, KitFonts::system(13), [theme] { return PageLayout::red(theme.get()); });
  line->setWordWrap(true);
  line->hide();
  return line;
}

void setLine(PageText* line, const std::optional<QString>& text) {
  line->setText(text.value_or(QString()));
  line->setVisible(text.has_value());
}

std::optional<QString> keptAsideNotice(const QString& subject, const std::optional<QString>& keptAside) {
  if (!keptAside) return std::nullopt;
  return subject + QStringLiteral(" okunamadı; ") + QFileInfo(*keptAside).fileName() +
         QStringLiteral(" olarak saklandı.");
}

QString fileSize(qint64 bytes) {
  return scaledSize(bytes, 1000, {QStringLiteral("KB"), QStringLiteral("MB"), QStringLiteral("GB"),
                                  QStringLiteral("TB")});
}

QString memorySize(qint64 bytes) {
  return scaledSize(bytes, 1024, {QStringLiteral("KB"), QStringLiteral("MB"), QStringLiteral("GB"),
                                  QStringLiteral("TB")});
}

}  // namespace PageParts

// The keyboard's focus ring and the panels' depth: every kind of control
// focused from the keyboard, side by side; the history page with a focused
// row; and a dialog and the open select list over the history page, once
// with the shadow of a composited desktop and once with the edge of one that
// does not composite.
#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include "kit/kit_test_support.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_button.h"
#include "kit/kivo_color_picker.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_popup.h"
#include "kit/kivo_select.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "pages/downloads_view.h"
#include "pages/history_view.h"
#include "pages/page_widgets.h"
#include "pages/pages_test_support.h"
#include "pages/settings_view.h"
#include "picture_folder.h"
#include "platform/window_compositing.h"

namespace {

void settle() {
  for (int round = 0; round < 10; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

// Each control of the row focused from the keyboard in turn, drawn side by
// side with 12 points between them on the page colour.
void focusedControls(PictureFolder& folder, const std::shared_ptr<BrowserPreferences>& preferences) {
  const std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  const QColor background = Palette::colors(theme.get()).background;
  QWidget row;
  auto* layout = new QHBoxLayout(&row);
  layout->setContentsMargins(16, 16, 16, 16);
  layout->setSpacing(12);
  QList<QWidget*> controls;
  const auto add = [&](QWidget* control) {
    layout->addWidget(control, 0, Qt::AlignVCenter);
    controls.append(control);
  };
  add(new KivoActionButton(QStringLiteral("Vazgeç"), KivoActionStyle{}, theme));
  add(new KivoActionButton(QStringLiteral("Tamam"), KivoActionStyle{true, false}, theme));
  add(new KivoActionButton(QStringLiteral("Geçmişi sil"), KivoActionStyle{true, true}, theme));
  auto* close = new KivoButton(theme);
  close->setSymbol(QStringLiteral("xmark"), 12);
  close->setFrameSize(QSize(28, 28));
  add(close);
  auto* select = new KivoSelect(QStringLiteral("Geçmiş dönemi"), {{0, QStringLiteral("Tüm zamanlar")}}, 0, theme);
  select->setFixedWidth(170);
  add(select);
  add(new KivoColorPicker(theme));
  auto* chip = new PageButton(preferences, QStringLiteral("Gizli pencere"), QStringLiteral("eye.slash"), 11,
                              QFont::Medium);
  chip->setPadding(QMargins(15, 10, 15, 10));
  chip->setBackground(
      PageButton::Shape::Capsule, 0,
      [theme] { return Palette::withOpacity(Palette::colors(theme.get()).surface, 0.65); },
      [theme] { return Palette::withOpacity(Palette::colors(theme.get()).line, 0.5); });
  add(chip);
  auto* swatch = new SettingsSwatch(QStringLiteral("25846a"), preferences);
  swatch->setPadding(QMargins(3, 3, 3, 3));
  add(swatch);
  add(new SettingsSwitch(QStringLiteral("Kısayollar"), preferences));
  add(makeBorderedButton(QStringLiteral("Önbelleği temizle"), preferences));
  row.setAutoFillBackground(true);
  QPalette palette = row.palette();
  palette.setColor(QPalette::Window, background);
  row.setPalette(palette);
  row.adjustSize();
  row.show();
  row.activateWindow();
  QApplication::setActiveWindow(&row);
  settle();
  // One grab per focused control, pasted over a grab of the row at rest
  // (which the window's activation may have focused without a ring).
  if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
  QImage picture = row.grab().toImage();
  QPainter painter(&picture);
  for (QWidget* control : controls) {
    control->setFocus(Qt::TabFocusReason);
    painter.drawImage(control->geometry().topLeft(), control->grab().toImage());
  }
  painter.end();
  folder.save(picture, QStringLiteral("focus-controls"));
}

// `panel` drawn over `page` where the desktop would show it.
QImage over(QWidget& page, QWidget* panel) {
  QImage picture = page.grab().toImage();
  if (!panel) return {};
  QPainter painter(&picture);
  painter.drawImage(panel->geometry().topLeft() - page.geometry().topLeft(), panel->grab().toImage());
  return picture;
}

void historyPictures(PictureFolder& folder, const std::shared_ptr<BrowserPreferences>& preferences) {
  auto model = PagesTest::model(preferences);
  HistoryStore& history = model->profile()->history();
  for (int index = 0; index < 12; ++index) {
    history.record(QStringLiteral("https://example.com/%1").arg(index), QStringLiteral("Örnek sayfa %1").arg(index),
                   history.revision());
  }
  HistoryView view(*model, history);
  view.move(0, 0);
  view.resize(1200, 800);
  view.show();
  view.activateWindow();
  QApplication::setActiveWindow(&view);
  settle();

  // A row focused from the keyboard, then its trash button.
  view.list()->setFocus(Qt::TabFocusReason);
  QTest::keyClick(view.list(), Qt::Key_Down);
  settle();
  folder.grab(&view, QStringLiteral("focus-history-row"));
  QTest::keyClick(view.list(), Qt::Key_Right);
  settle();
  folder.grab(&view, QStringLiteral("focus-history-trash"));

  // The clear-history question and the open period list over the rows, in
  // each of the two depths.
  for (const bool composites : {true, false}) {
    WindowCompositing::setOverride(composites);
    const QString depth = composites ? QStringLiteral("shadow") : QStringLiteral("edge");
    QPointer<KivoPanel> dialog =
        KivoDialog::show(&view, PreferencesTheme::of(preferences), QStringLiteral("Geçmiş silinsin mi?"),
                         HistoryClearing::message(QStringLiteral("Tüm zamanlar")),
                         HistoryClearing::detail(0), QStringLiteral("Geçmişi sil"), true,
                         QStringLiteral("Vazgeç"));
    settle();
    folder.save(over(view, dialog), QStringLiteral("depth-dialog-") + depth);
    if (dialog) QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog.data(), Qt::Key_Escape);
    settle();
    view.activateWindow();
    QApplication::setActiveWindow(&view);
    QTest::mouseClick(view.periodSelect(), Qt::LeftButton);
    settle();
    folder.save(over(view, view.periodSelect()->popup()->panel()), QStringLiteral("depth-select-") + depth);
    view.periodSelect()->popup()->setPresented(false);
    settle();
  }
  WindowCompositing::setOverride(std::nullopt);
}

}  // namespace

void Pictures::keyboard(PictureFolder& folder) {
  auto preferences = PagesTest::preferences(QStringLiteral("kivo-pictures-keyboard"));
  preferences->setAppearance(folder.appearance());
  focusedControls(folder, preferences);
  historyPictures(folder, preferences);
  preferences->storage()->removeAll();
}

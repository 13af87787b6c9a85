// The kit's controls: a gallery 900, 1200 and 1600 wide on the page colour
// (buttons and marks, progress bars and spinners, the two kinds of dialog
// card), each dialog card alone, and the open select list and colour editor.
#include <QApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QTest>

// The kit's test helpers build the same isolated preferences and the same
// shown window that the kit's tests use.
#include "kit/kit_test_support.h"
#include "kit/loading_spinner.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_button.h"
#include "kit/kivo_color_picker.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_popup.h"
#include "kit/kivo_progress_bar.h"
#include "kit/kivo_select.h"
#include "kit/mark.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "pages/history_view.h"
#include "picture_folder.h"

namespace {

QWidget* buttonsAndMarks(const std::shared_ptr<KitTheme>& theme) {
  auto* row = new QWidget;
  row->setAttribute(Qt::WA_TranslucentBackground);
  auto* layout = new QHBoxLayout(row);
  layout->setSpacing(12);
  layout->addWidget(new Mark(theme, 34));
  layout->addWidget(new Mark(theme, 60));
  layout->addWidget(new KivoActionButton(QStringLiteral("Vazgeç"), KivoActionStyle{}, theme));
  layout->addWidget(new KivoActionButton(QStringLiteral("Tamam"), KivoActionStyle{true, false}, theme));
  layout->addWidget(new KivoActionButton(QStringLiteral("Geçmişi sil"), KivoActionStyle{true, true}, theme));
  auto* disabled = new KivoActionButton(QStringLiteral("Uygula"), KivoActionStyle{}, theme);
  disabled->setEnabled(false);
  layout->addWidget(disabled);
  auto* quiet = new KivoButton(theme);
  quiet->setSymbol(QStringLiteral("xmark"), 12);
  quiet->setFrameSize(QSize(28, 28));
  layout->addWidget(quiet);
  // One button under the pointer, to show the hover fill.
  auto* hovered = new KivoButton(theme);
  hovered->setText(QStringLiteral("Satır"));
  hovered->setPadding(QMargins(8, 6, 8, 6));
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QApplication::sendEvent(hovered, &enter);
  layout->addWidget(hovered);
  layout->addWidget(new KivoColorPicker(theme));
  layout->addWidget(
      new KivoSelect(QStringLiteral("Geçmiş dönemi"), {{0, QStringLiteral("Tüm zamanlar")}}, 0, theme));
  layout->addStretch(1);
  return row;
}

// Progress bars at nothing, part and all of their range, one whose total is
// unknown, and the loading page's spinner.
QWidget* progress(const std::shared_ptr<KitTheme>& theme) {
  auto* row = new QWidget;
  row->setAttribute(Qt::WA_TranslucentBackground);
  auto* layout = new QHBoxLayout(row);
  layout->setSpacing(24);
  for (const int value : {0, 400, 1000}) {
    auto* bar = new KivoProgressBar(theme);
    bar->setRange(0, 1000);
    bar->setValue(value);
    bar->setFixedWidth(180);
    layout->addWidget(bar);
  }
  auto* unknown = new KivoProgressBar(theme);
  unknown->setRange(0, 0);
  layout->addWidget(unknown);
  layout->addWidget(new LoadingSpinner(theme));
  layout->addStretch(1);
  return row;
}

QWidget* dialogCard(const std::shared_ptr<KitTheme>& theme, bool destructive) {
  if (destructive) {
    return new KivoDialogCard(QStringLiteral("Geçmiş silinsin mi?"),
                              HistoryClearing::message(QStringLiteral("Tüm zamanlar")),
                              HistoryClearing::detail(0), QStringLiteral("Geçmişi sil"), true,
                              QStringLiteral("Vazgeç"), [](bool) {}, theme);
  }
  return new KivoDialogCard(QStringLiteral("Kivo hakkında"),
                            QStringLiteral("Kendi HTML, CSS ve yerleşim motoruyla küçük bir tarayıcı."), std::nullopt,
                            QStringLiteral("Tamam"), false, std::nullopt, [](bool) {}, theme);
}

void gallery(PictureFolder& folder, const std::shared_ptr<KitTheme>& theme, const QColor& background) {
  for (const int width : {900, 1200, 1600}) {
    QWidget page;
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, background);
    page.setPalette(palette);
    page.setAutoFillBackground(true);
    auto* column = new QVBoxLayout(&page);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(24);
    column->addWidget(buttonsAndMarks(theme));
    column->addWidget(progress(theme));
    // The two cards side by side where they fit, else one under the other.
    QBoxLayout* cards = width >= 1000 ? static_cast<QBoxLayout*>(new QHBoxLayout) : new QVBoxLayout;
    cards->setSpacing(24);
    for (const bool destructive : {true, false}) {
      // A card's height follows its width; at its own width it is fixed, as
      // in a dialog.
      QWidget* card = dialogCard(theme, destructive);
      card->ensurePolished();
      card->adjustSize();
      card->setFixedSize(card->size());
      cards->addWidget(card, 0, Qt::AlignTop | Qt::AlignLeft);
    }
    cards->addStretch(1);
    column->addLayout(cards);
    column->addStretch(1);
    page.setFixedWidth(width);
    page.resize(width, page.sizeHint().height());
    page.show();
    QApplication::processEvents();
    folder.grab(&page, QStringLiteral("kit-") + QString::number(width));
  }
}

void dialogCards(PictureFolder& folder, const std::shared_ptr<KitTheme>& theme,
                 const QColor& background) {
  const std::unique_ptr<QWidget> destructive(dialogCard(theme, true));
  folder.control(destructive.get(), QStringLiteral("kit-dialog-destructive"), background);
  const std::unique_ptr<QWidget> plain(dialogCard(theme, false));
  folder.control(plain.get(), QStringLiteral("kit-dialog-plain"), background);
}

void openPopups(PictureFolder& folder, const std::shared_ptr<KitTheme>& theme,
                const QColor& background) {
  auto window = KitTest::window();
  QPalette palette = window->palette();
  palette.setColor(QPalette::Window, background);
  window->setPalette(palette);

  auto* select = new KivoSelect(QStringLiteral("Geçmiş dönemi"),
                                {{0, QStringLiteral("Tüm zamanlar")}, {1, QStringLiteral("Son 1 saat")},
                                 {24, QStringLiteral("Son 24 saat")}, {168, QStringLiteral("Son 7 gün")}},
                                24, theme, window.get());
  select->move(300, 60);
  select->show();
  QTest::mouseClick(select, Qt::LeftButton);
  QApplication::processEvents();
  auto* list = select->popup()->panel() ? select->popup()->panel()->findChild<KivoSelectOptions*>() : nullptr;
  if (list) {
    // The keyboard moves the highlight one option down.
    QTest::keyClick(list, Qt::Key_Down);
    folder.control(select, QStringLiteral("kit-select-open"), background);
    folder.control(select->popup()->panel(), QStringLiteral("kit-select-list"), background);
    QTest::keyClick(list, Qt::Key_Escape);
    QApplication::processEvents();
  } else {
    folder.save(QImage(), QStringLiteral("kit-select-list"));
  }

  auto* picker = new KivoColorPicker(theme, window.get());
  picker->move(600, 60);
  picker->show();
  QTest::mouseClick(picker, Qt::LeftButton);
  QApplication::processEvents();
  if (picker->popup()->panel()) {
    folder.control(picker->popup()->panel(), QStringLiteral("kit-color-editor"), background);
    picker->editor()->field()->setText(QStringLiteral("12g"));
    folder.control(picker->popup()->panel(), QStringLiteral("kit-color-editor-invalid"), background);
  } else {
    folder.save(QImage(), QStringLiteral("kit-color-editor"));
  }
}

}  // namespace

void Pictures::kit(PictureFolder& folder) {
  auto preferences = KitTest::preferences(QStringLiteral("kivo-pictures-kit"));
  preferences->setAppearance(folder.appearance());
  const std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  const QColor background = Palette::colors(theme.get()).background;
  gallery(folder, theme, background);
  dialogCards(folder, theme, background);
  openPopups(folder, theme, background);
  preferences->storage()->removeAll();
}

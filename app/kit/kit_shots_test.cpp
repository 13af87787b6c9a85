// Renders every control of the kit in both schemes into /tmp/kit-shots, so
// that a person can look at them; the checks only make sure each shot has
// content.
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include "kit/kit_test_support.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_button.h"
#include "kit/kivo_color_picker.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_popup.h"
#include "kit/kivo_select.h"
#include "kit/mark.h"
#include "kit/palette.h"
#include "kit/updates_view.h"
#include "model/browser_model.h"

#include <QHBoxLayout>
#include <QLineEdit>

namespace {

class KitShots : public testing::TestWithParam<BrowserAppearance> {
protected:
  void SetUp() override {
    Motion::setReduceMotionOverride(true);
    preferences = KitTest::preferences(QStringLiteral("kit-shots-test"));
    preferences->setAppearance(GetParam());
    background = Palette::colors(preferences.get()).background;
    suffix = GetParam() == BrowserAppearance::Dark ? QStringLiteral("-dark") : QStringLiteral("-light");
  }
  void TearDown() override {
    Motion::setReduceMotionOverride(std::nullopt);
    preferences->storage()->removeAll();
  }
  void shot(QWidget* widget, const QString& name) {
    KitTest::shot(widget, name + suffix, background);
    QImage image(QStringLiteral("/tmp/kit-shots/") + name + suffix + QStringLiteral(".png"));
    EXPECT_FALSE(image.isNull()) << name.toStdString();
  }

  std::shared_ptr<BrowserPreferences> preferences;
  QColor background;
  QString suffix;
};

TEST_P(KitShots, ButtonsAndMarks) {
  QWidget row;
  row.setAttribute(Qt::WA_TranslucentBackground);
  auto* layout = new QHBoxLayout(&row);
  layout->setSpacing(12);
  layout->addWidget(new Mark(preferences, 34));
  layout->addWidget(new Mark(preferences, 60));
  layout->addWidget(new KivoActionButton(QStringLiteral("Vazgeç"), KivoActionStyle{}, preferences));
  layout->addWidget(new KivoActionButton(QStringLiteral("Tamam"), KivoActionStyle{true, false}, preferences));
  layout->addWidget(new KivoActionButton(QStringLiteral("Geçmişi sil"), KivoActionStyle{true, true}, preferences));
  auto* disabled = new KivoActionButton(QStringLiteral("Uygula"), KivoActionStyle{}, preferences);
  disabled->setEnabled(false);
  layout->addWidget(disabled);
  auto* quiet = new KivoButton(preferences);
  quiet->setSymbol(QStringLiteral("xmark"), 12);
  quiet->setFrameSize(QSize(28, 28));
  layout->addWidget(quiet);
  auto* hovered = new KivoButton(preferences);
  hovered->setText(QStringLiteral("Satır"));
  hovered->setPadding(QMargins(8, 6, 8, 6));
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QApplication::sendEvent(hovered, &enter);
  layout->addWidget(hovered);
  layout->addWidget(new KivoColorPicker(preferences));
  layout->addWidget(new KivoSelect(QStringLiteral("Geçmiş dönemi"), {{0, QStringLiteral("Tüm zamanlar")}}, 0, preferences));
  shot(&row, QStringLiteral("buttons"));
}

TEST_P(KitShots, DialogCards) {
  KivoDialogCard card(QStringLiteral("Geçmiş silinsin mi?"), KivoDialog::clearHistoryMessage(QStringLiteral("Tüm zamanlar")),
                      KivoDialog::clearHistoryDetail(0), QStringLiteral("Geçmişi sil"), true,
                      QStringLiteral("Vazgeç"), [](bool) {}, preferences);
  shot(&card, QStringLiteral("dialog-destructive"));
  KivoDialogCard plain(QStringLiteral("Kivo hakkında"), QStringLiteral("Kendi HTML, CSS ve yerleşim motoruyla küçük bir tarayıcı."),
                       std::nullopt, QStringLiteral("Tamam"), false, std::nullopt, [](bool) {}, preferences);
  shot(&plain, QStringLiteral("dialog-plain"));
}

TEST_P(KitShots, OpenPopups) {
  auto window = KitTest::window();
  QPalette palette = window->palette();
  palette.setColor(QPalette::Window, background);
  window->setPalette(palette);
  auto* select = new KivoSelect(QStringLiteral("Geçmiş dönemi"),
                                {{0, QStringLiteral("Tüm zamanlar")}, {1, QStringLiteral("Son 1 saat")},
                                 {24, QStringLiteral("Son 24 saat")}, {168, QStringLiteral("Son 7 gün")}},
                                24, preferences, window.get());
  select->move(300, 60);
  select->show();
  QTest::mouseClick(select, Qt::LeftButton);
  QApplication::processEvents();
  ASSERT_TRUE(select->popup()->panel());
  auto* list = select->popup()->panel()->findChild<KivoSelectOptions*>();
  QTest::keyClick(list, Qt::Key_Down);
  shot(select, QStringLiteral("select-open"));
  shot(select->popup()->panel(), QStringLiteral("select-list"));
  QTest::keyClick(list, Qt::Key_Escape);
  QApplication::processEvents();

  auto* picker = new KivoColorPicker(preferences, window.get());
  picker->move(600, 60);
  picker->show();
  QTest::mouseClick(picker, Qt::LeftButton);
  QApplication::processEvents();
  ASSERT_TRUE(picker->popup()->panel());
  shot(picker->popup()->panel(), QStringLiteral("color-editor"));
  picker->editor()->field()->setText(QStringLiteral("12g"));
  shot(picker->popup()->panel(), QStringLiteral("color-editor-invalid"));
}

TEST_P(KitShots, UpdatesView) {
  BrowserModel model(preferences);
  UpdatesView view(&model);
  view.resize(520, view.sizeHint().height());
  shot(&view, QStringLiteral("updates"));
}

INSTANTIATE_TEST_SUITE_P(Schemes, KitShots, testing::Values(BrowserAppearance::Light, BrowserAppearance::Dark),
                         [](const auto& info) { return info.param == BrowserAppearance::Dark ? "Dark" : "Light"; });

}  // namespace

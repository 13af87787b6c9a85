// The page of "kivo://settings": one scrolling column of cards that set the
// appearance, the accent, the home page's backdrop and shortcut switch, put
// them back to their defaults, clear the window profile's history, cookies
// and caches, embed the update check and list the keyboard shortcuts. The
// page keeps nothing of its own: every control writes one preference or calls
// one operation of the model, and every figure is read from the model or the
// preferences and follows their changes. The same page serves private
// windows, where every action reaches the private profile only.
//
// The column is at most 850 wide (insets included) and centred. Main thread.
#pragma once

#include <QAbstractButton>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

#include "kit/kivo_button.h"
#include "model/browser_preferences.h"

class BrowserModel;
class FocusRing;
class KitLabel;
class KivoActionButton;
class KivoColorPicker;
class PageButton;
class PageText;
class QPushButton;
class UpdatesView;

// A card of the appearance row: a small window preview, an accent sample and
// the title with a selection mark. The dark card always draws dark, the
// others always light, whatever the page's scheme.
class SettingsAppearanceCard : public KivoButton {
  Q_OBJECT
public:
  SettingsAppearanceCard(BrowserAppearance appearance, std::shared_ptr<BrowserPreferences> preferences,
                         QWidget* parent = nullptr);
  BrowserAppearance appearance() const { return m_appearance; }
  // True while the preferences hold this card's appearance.
  bool selected() const;

protected:
  void paintLabel(QPainter& painter, const QRectF& rect) override;
  QSize labelSize() const override;

private:
  std::shared_ptr<BrowserPreferences> m_preferences;
  BrowserAppearance m_appearance;
};

// A card of the backdrop row: a 74-high preview of the preset over its title.
class SettingsBackdropCard : public KivoButton {
  Q_OBJECT
public:
  SettingsBackdropCard(Backdrop preset, std::shared_ptr<BrowserPreferences> preferences, QWidget* parent = nullptr);
  Backdrop preset() const { return m_preset; }
  bool selected() const;

protected:
  void paintLabel(QPainter& painter, const QRectF& rect) override;
  QSize labelSize() const override;

private:
  std::shared_ptr<BrowserPreferences> m_preferences;
  Backdrop m_preset;
};

// An accent preset: a 25-pt circle in the preset's colour, with a white
// check mark while the stored accent equals the preset text exactly.
class SettingsSwatch : public KivoButton {
  Q_OBJECT
public:
  SettingsSwatch(const QString& preset, std::shared_ptr<BrowserPreferences> preferences, QWidget* parent = nullptr);
  const QString& preset() const { return m_preset; }
  bool marked() const;

protected:
  void paintLabel(QPainter& painter, const QRectF& rect) override;
  QSize labelSize() const override;

private:
  QString m_preset;
};

// A labelled on/off switch: the text, then a capsule track in the accent
// while on, with the hand pointer. Tab reaches it; Space and Return toggle.
class SettingsSwitch : public QAbstractButton {
  Q_OBJECT
public:
  SettingsSwitch(const QString& text, std::shared_ptr<BrowserPreferences> preferences, QWidget* parent = nullptr);
  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  std::shared_ptr<KitTheme> m_theme;
  FocusRing* m_ring = nullptr;
};

class SettingsView : public QWidget {
  Q_OBJECT
public:
  static constexpr int kMaximumWidth = 850;

  // The accent presets, in display order, as `accentHex` stores them.
  static const QStringList& colors();
  // "<entries> belge görünümü · yaklaşık <bytes in units of 1,024>".
  static QString cacheLine(qint64 entries, qint64 bytes);

  // One command of the shortcut card.
  struct CommandRow {
    QString title;
    QString symbol;    // the symbol image's name
    QString shortcut;  // as the menus show it; empty when the command has none
  };
  // The browser's twenty commands in table order, with the shortcut text the
  // menus show ("Ctrl+T"; empty for a command without a key).
  static QList<CommandRow> commandRows();

  // The shortcut card lists `commands` before its fixed rows.
  explicit SettingsView(BrowserModel& model, const QList<CommandRow>& commands = commandRows(),
                        QWidget* parent = nullptr);

  // The controls, for the window's tests.
  const QList<SettingsAppearanceCard*>& appearanceCards() const { return m_appearanceCards; }
  const QList<SettingsSwatch*>& swatches() const { return m_swatches; }
  KivoColorPicker* colorPicker() const { return m_picker; }
  const QList<SettingsBackdropCard*>& backdropCards() const { return m_backdropCards; }
  SettingsSwitch* shortcutsSwitch() const { return m_switch; }
  KivoActionButton* clearHistoryButton() const { return m_clearHistory; }
  QPushButton* resetButton() const { return m_reset; }
  QPushButton* viewHistoryButton() const { return m_viewHistory; }
  QPushButton* clearCookiesButton() const { return m_clearCookies; }
  QPushButton* clearCacheButton() const { return m_clearCache; }
  KitLabel* cacheLabel() const { return m_cacheLine; }
  UpdatesView* updatesView() const { return m_updates; }
  // The shortcut card's command rows: title and shortcut texts.
  const QList<QPair<QString, QString>>& shortcutRows() const { return m_shortcutRows; }
  PageButton* developerToolsButton() const { return m_devTools; }
  // The red line under the subtitle that tells why the choices may not
  // survive a restart; hidden while they are stored.
  PageText* storageNoticeLine() const { return m_storageNotice; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  QWidget* group(const QString& title, const QString& subtitle, const QList<QWidget*>& content);
  QWidget* appearanceContent();
  QWidget* backdropContent();
  QWidget* deviceContent();
  QWidget* siteDataContent();
  QWidget* cacheContent();
  QWidget* shortcutContent(const QList<CommandRow>& commands);
  QWidget* footer();
  void clearCookies();
  void refreshCacheLine();
  void refreshStorageNotice();
  // Runs a change the user makes with one of the page's controls, so that a
  // save that starts failing with it is also told in this window's notice.
  void change(const std::function<void()>& apply);

  QPointer<BrowserModel> m_model;
  std::shared_ptr<BrowserPreferences> m_preferences;
  std::shared_ptr<KitTheme> m_theme;
  QList<SettingsAppearanceCard*> m_appearanceCards;
  QList<SettingsSwatch*> m_swatches;
  KivoColorPicker* m_picker = nullptr;
  QList<SettingsBackdropCard*> m_backdropCards;
  SettingsSwitch* m_switch = nullptr;
  KivoActionButton* m_clearHistory = nullptr;
  QPushButton* m_reset = nullptr;
  QPushButton* m_viewHistory = nullptr;
  QPushButton* m_clearCookies = nullptr;
  QPushButton* m_clearCache = nullptr;
  KitLabel* m_cacheLine = nullptr;
  UpdatesView* m_updates = nullptr;
  QList<QPair<QString, QString>> m_shortcutRows;
  PageButton* m_devTools = nullptr;
  PageText* m_storageNotice = nullptr;
  bool m_changing = false;
};

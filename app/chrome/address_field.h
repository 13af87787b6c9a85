// The toolbar's address field: the scheme icon of the current tab and a
// plain text field, on a rounded faint fill that gains an accent outline
// while the field has the keyboard focus.
//
// The text follows the model's address draft both ways: every keystroke
// writes the draft, and the model's changes of the draft show at once,
// except while the user is typing: once the focused field has been edited
// since the current navigation started, a write of the model (a redirect's
// final address, say) leaves the user's text alone. A new navigation or
// another tab ends that and shows the model's draft again. Return navigates
// to the typed text and gives up the focus. Main thread.
#pragma once

#include <QString>
#include <QUuid>
#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"

class BrowserModel;
class BrowserTab;
class PageSymbol;
class QLineEdit;

class AddressField : public QWidget {
  Q_OBJECT

public:
  static constexpr int kHeight = 31;
  static constexpr double kCornerRadius = 9;

  AddressField(BrowserModel& model, std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);
  ~AddressField() override;

  // The symbol that tells how `tab`'s page came: "lock" for a page whose
  // answer came over https (while the address still is https),
  // "exclamationmark.triangle" for plain http, "globe" for an https address
  // without an answer yet, "doc.text" for everything else.
  static QString schemeSymbol(const BrowserTab& tab);

  QLineEdit* lineEdit() const { return m_edit; }
  // The symbol shown now.
  QString schemeIcon() const;
  // True once the user has edited the text since the current navigation.
  bool userEdited() const { return m_userEdited; }

  // Gives the field the keyboard focus and, on the next turn of the event
  // loop, selects its whole text.
  void focusAndSelectAll();

protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // Shows the model's draft unless the user is typing.
  void showDraft();
  // Follows the selected tab: its icon, and a new navigation or tab.
  void followTab();
  void submit();
  void applyColors();

  BrowserModel& m_model;
  std::shared_ptr<KitTheme> m_theme;
  QLineEdit* m_edit;
  PageSymbol* m_icon;
  bool m_userEdited = false;
  // What identifies the current navigation of the selected tab.
  QUuid m_tabID;
  QUuid m_generation;
  qsizetype m_position = -1;
  qsizetype m_historySize = -1;
};

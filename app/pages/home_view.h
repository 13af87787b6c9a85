// The page of "kivo://home", where every new tab opens: the backdrop, the
// logo with the wordmark, the search and address field (bound to the
// model's search draft), the shortcut chips, the site tiles (or, in a
// private window, a note that nothing is recorded) and a footer with the
// customise button. Keeps no state of its own. Main thread.
#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"
#include "model/browser_preferences.h"

class BrowserModel;
class HomeSitesView;
class KitLabel;
class Mark;
class PageButton;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;
class TabBackdrop;

class HomeView : public QWidget {
  Q_OBJECT
public:
  explicit HomeView(BrowserModel& model, QWidget* parent = nullptr);

  // The main column's top inset for an available height.
  static int topInset(int availableHeight);

  QLineEdit* searchField() const { return m_search; }
  PageButton* goButton() const { return m_go; }
  PageButton* privateChip() const { return m_privateChip; }
  PageButton* aiChip() const { return m_aiChip; }
  PageButton* fileChip() const { return m_fileChip; }
  PageButton* customizeButton() const { return m_customize; }
  // The site tiles, or null while they are not shown.
  HomeSitesView* sites() const { return m_sites; }
  // The private note, or null while it is not shown.
  QWidget* privateNote() const { return m_privateNote; }
  TabBackdrop* backdrop() const { return m_backdrop; }
  // The section under the chips that holds the tiles or the private note.
  QWidget* lowerSection() const { return m_lower; }

  // The placeholder dialog of the AI chip.
  static void showAIPlaceholder(BrowserModel& model);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  void build();
  void refreshLower();
  void refreshChips();
  void submit();
  void placeStack();
  // Keeps the footer's button last in the Tab order, after the tiles, which
  // are made (and so join the order) after the footer.
  void orderFooterLast();

  QPointer<BrowserModel> m_model;
  std::shared_ptr<BrowserPreferences> m_preferences;
  std::shared_ptr<KitTheme> m_theme;
  TabBackdrop* m_backdrop = nullptr;
  QScrollArea* m_scroll = nullptr;
  QWidget* m_stack = nullptr;
  QVBoxLayout* m_column = nullptr;
  QLineEdit* m_search = nullptr;
  PageButton* m_go = nullptr;
  PageButton* m_privateChip = nullptr;
  PageButton* m_aiChip = nullptr;
  PageButton* m_fileChip = nullptr;
  PageButton* m_customize = nullptr;
  QWidget* m_footer = nullptr;
  QWidget* m_lower = nullptr;
  QVBoxLayout* m_lowerLayout = nullptr;
  HomeSitesView* m_sites = nullptr;
  QWidget* m_privateNote = nullptr;
};

// The page of "kivo://downloads": one card per entry of the profile's
// download list, newest first, with the file name, the source, a progress
// bar while running, the status with the received size and any error text,
// and the buttons that fit the state (cancel; show in the file manager;
// remove from the list). A header button removes every finished entry. No
// file on disk is touched. Cards are updated in place on progress, so a
// running download repaints only its own card. Main thread.
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"
#include "model/browser_preferences.h"
#include "profile/download_entry.h"

class DownloadStore;
class ElidedLabel;
class KivoProgressBar;
class PageButton;
class PageSymbol;
class PageText;
class QPushButton;
class QVBoxLayout;

// One entry's card.
class DownloadCard : public QWidget {
  Q_OBJECT
public:
  DownloadCard(DownloadStore& store, std::shared_ptr<BrowserPreferences> preferences, QWidget* parent = nullptr);
  void setEntry(const DownloadEntry& entry);
  const DownloadEntry& entry() const { return m_entry; }

  // The status line: status, " · " and the received size.
  static QString statusLine(const DownloadEntry& entry);
  // "checkmark.circle" for a complete download, "arrow.down.doc" otherwise.
  static QString symbolName(DownloadEntry::State state);

  QString symbol() const;
  KivoProgressBar* progress() const { return m_progress; }
  QPushButton* cancelButton() const { return m_cancel; }
  QPushButton* revealButton() const { return m_reveal; }
  PageButton* removeButton() const { return m_remove; }
  PageText* detailLine() const { return m_detail; }
  ElidedLabel* statusLabel() const { return m_status; }
  ElidedLabel* nameLabel() const { return m_name; }
  ElidedLabel* addressLabel() const { return m_address; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QPointer<DownloadStore> m_store;
  std::shared_ptr<BrowserPreferences> m_preferences;
  std::shared_ptr<KitTheme> m_theme;
  DownloadEntry m_entry;
  PageSymbol* m_symbol = nullptr;
  ElidedLabel* m_name = nullptr;
  ElidedLabel* m_address = nullptr;
  KivoProgressBar* m_progress = nullptr;
  ElidedLabel* m_status = nullptr;
  PageText* m_detail = nullptr;
  QPushButton* m_cancel = nullptr;
  QPushButton* m_reveal = nullptr;
  PageButton* m_remove = nullptr;
};

class DownloadsView : public QWidget {
  Q_OBJECT
public:
  DownloadsView(DownloadStore& store, bool isPrivate, std::shared_ptr<BrowserPreferences> preferences,
                QWidget* parent = nullptr);

  QPushButton* clearFinishedButton() const { return m_clearFinished; }
  const QList<DownloadCard*>& cards() const { return m_cards; }
  QWidget* emptyState() const { return m_empty; }
  PageText* errorLine() const { return m_error; }
  // The line that names a download list moved aside at the start.
  PageText* keptAsideLine() const { return m_keptAsideLine; }
  const QString& noteText() const { return m_note; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  void refresh();

  QPointer<DownloadStore> m_store;
  std::shared_ptr<BrowserPreferences> m_preferences;
  std::shared_ptr<KitTheme> m_theme;
  QString m_note;
  QPushButton* m_clearFinished = nullptr;
  PageText* m_error = nullptr;
  PageText* m_keptAsideLine = nullptr;
  QWidget* m_empty = nullptr;
  QVBoxLayout* m_list = nullptr;
  QList<DownloadCard*> m_cards;
};

// A push button in the platform's bordered style with the hand pointer.
QPushButton* makeBorderedButton(const QString& title, std::shared_ptr<BrowserPreferences> preferences);

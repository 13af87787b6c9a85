// The small pages a window shows for states of its selected tab rather than
// for an address: the message page (an error or a stopped load), the
// loading page, and the download offer for a file that cannot be shown as a
// page. Each is filled by the root view, which owns the actions; a page of
// the same kind is updated in place when the selected tab changes. Colours
// follow the kit's theme. Main thread.
#pragma once

#include <QPushButton>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"
#include "kit/loading_spinner.h"
#include "model/browser_preferences.h"

class KitLabel;

// A push button in the platform's prominent bordered style: white text on
// the accent, rounded 6 pt, with the hand pointer. Follows scheme and accent.
QPushButton* makeProminentButton(const QString& title, std::shared_ptr<BrowserPreferences> preferences);

// The page of a failed or stopped load: a globe, the title, the detail and a
// button back to the start page, in a block at most 500 wide centred in the
// page.
class MessagePage : public QWidget {
  Q_OBJECT
public:
  static constexpr int kMaximumWidth = 500;

  MessagePage(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent = nullptr);

  // Shows `title` and `detail` verbatim.
  void setMessage(const QString& title, const QString& detail);

  KitLabel* titleLabel() const { return m_title; }
  KitLabel* detailLabel() const { return m_detail; }
  QPushButton* homeButton() const { return m_home; }
  // The block of symbol, texts and button.
  QWidget* block() const;

  // The width of the stack for `title` and `detail`: their widest line, the
  // symbol or the button, whichever is widest, and at most 500.
  int stackWidth(const QString& title, const QString& detail) const;

private:
  class Block;
  Block* m_block = nullptr;
  KitLabel* m_title = nullptr;
  KitLabel* m_detail = nullptr;
  QPushButton* m_home = nullptr;
};

// The page of a tab whose page is on its way: the indicator over
// "Sayfa açılıyor…", centred.
class LoadingPage : public QWidget {
  Q_OBJECT
public:
  explicit LoadingPage(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent = nullptr);
  LoadingSpinner* spinner() const { return m_spinner; }

private:
  LoadingSpinner* m_spinner = nullptr;
};

// The offer to save a response that is not a page: a document symbol, the
// suggested file name, a note and two buttons, centred.
class DownloadOfferPage : public QWidget {
  Q_OBJECT
public:
  explicit DownloadOfferPage(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent = nullptr);

  void setOffer(const QUrl& address, const QString& suggestedFilename);
  const QUrl& address() const { return m_address; }
  const QString& suggestedFilename() const { return m_name; }

  KitLabel* nameLabel() const { return m_nameLabel; }
  QPushButton* downloadButton() const { return m_download; }
  QPushButton* showDownloadsButton() const { return m_showDownloads; }

private:
  QUrl m_address;
  QString m_name;
  KitLabel* m_nameLabel = nullptr;
  QPushButton* m_download = nullptr;
  QPushButton* m_showDownloads = nullptr;
};

// Helpers of the pages' tests: isolated preferences and a model over a
// memory-only profile whose loads never leave the process. tools/pictures
// builds its pictures with them too.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

#include "kit/kit_test_support.h"
#include "model/browser_model.h"
#include "model/browser_preferences.h"
#include "model/model_test_support.h"
#include "model/settings_store.h"
#include "pages/page_widgets.h"
#include "profile/browsing_profile.h"
#include "profile/download_store.h"
#include "profile/profile_files.h"
#include "test_printers.h"

namespace PagesTest {

// The window layer of a model, as the chrome gives it: its dialogs are
// sheets of `widget`.
class FakeWindow : public WindowServices {
public:
  explicit FakeWindow(QWidget* widget) : m_widget(widget) {}
  void performClose() override {}
  QWidget* dialogParent() override { return m_widget; }

private:
  QWidget* m_widget;
};

inline std::shared_ptr<BrowserPreferences> preferences(const QString& name) {
  return KitTest::preferences(name);
}

using ModelTestSupport::offlineServices;

// A model whose background work is dropped, so no load reaches the network.
inline std::unique_ptr<BrowserModel> model(std::shared_ptr<BrowserPreferences> preferences, bool isPrivate = false) {
  auto profile = std::make_shared<BrowsingProfile>(isPrivate);
  auto made = std::make_unique<BrowserModel>(std::move(preferences), nullptr, std::nullopt, profile);
  made->setServices(offlineServices());
  return made;
}

// The bytes of the file at `path`; empty when it cannot be read.
inline QByteArray contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a page and its folder show once the store read `text` from its list
// file `file`: with the file kept aside, the page's `line` says so with
// `sentence` and the kept copy's name, the copy holds `text` and `file` is
// gone; otherwise the line is hidden and `file` still holds `text`.
inline void expectKeptAside(const PageText* line, const QString& file, const QString& sentence,
                            const QByteArray& text, bool keptAside) {
  const QFileInfo info(file);
  const QStringList kept =
      info.dir().entryList({info.fileName() + QStringLiteral(".bad-*")}, QDir::Files);
  if (keptAside) {
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(line->text(), sentence + kept.first() + QStringLiteral(" olarak saklandı."));
    EXPECT_FALSE(line->isHidden());
    EXPECT_EQ(contents(info.dir().filePath(kept.first())), text);
    EXPECT_FALSE(QFile::exists(file));
  } else {
    EXPECT_TRUE(kept.isEmpty());
    EXPECT_TRUE(line->isHidden());
    EXPECT_EQ(contents(file), text);
  }
}

inline HistoryEntry visit(const QString& address, double visitedAt, const QString& title = {}) {
  return HistoryEntry{QUuid::createUuid(), address, title, visitedAt};
}

// A download list that reads `entries` from a list file at `file` (in a
// folder the caller owns), as a later run of the browser would: entries that
// were running come back interrupted. It transfers nothing by itself.
inline std::unique_ptr<DownloadStore> downloads(const QString& file, const QList<DownloadEntry>& entries) {
  ProfileFiles::write(DownloadStore::encode(entries), file);
  return std::make_unique<DownloadStore>(nullptr, file);
}

// A finished download of `name` from `address`, saved under `folder`.
inline DownloadEntry download(const QString& folder, const QString& name, const QString& address,
                              DownloadEntry::State state, qint64 received = 1500, const QString& detail = {}) {
  DownloadEntry entry;
  entry.id = QUuid::createUuid();
  entry.address = address;
  entry.destination = QUrl::fromLocalFile(folder + QLatin1Char('/') + name);
  entry.startedAt = 786000000;
  entry.received = received;
  entry.state = state;
  entry.detail = detail;
  return entry;
}

}  // namespace PagesTest


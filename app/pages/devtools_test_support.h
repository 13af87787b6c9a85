// Helpers of the developer tools' tests: inspection nodes, documents and a
// window model whose loads never leave the test.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

#include "kit/kit_test_support.h"
#include "loading/engine_bridge.h"
#include "model/browser_model.h"

namespace DevToolsTest {

// An element, text or document node.
inline InspectedNode node(qint64 id, std::optional<qint64> parent, qint64 depth, const QString& name,
                          const QString& text = QString()) {
  InspectedNode made;
  made.id = id;
  made.parent = parent;
  made.depth = depth;
  made.name = name;
  made.text = text;
  return made;
}

// A one-box document that carries `nodes`.
inline PageDocument document(std::optional<QList<InspectedNode>> nodes, std::optional<bool> truncated = {}) {
  PageDocument made;
  made.version = PageDocument::kVersion;
  made.title = QStringLiteral("Deneme");
  made.width = 800;
  made.height = 600;
  made.nodes = std::move(nodes);
  made.inspectorTruncated = truncated;
  return made;
}

// A tab at `address` showing `document`, laid out at the model's width so
// that selecting it starts no new layout.
inline BrowserTab documentTab(const PageDocument& document,
                              const QString& address = QStringLiteral("file:///tmp/deneme.html")) {
  BrowserTab tab({address}, 0);
  tab.title = document.title;
  tab.renderedWidth = BrowserModel::kDefaultViewportWidth;
  tab.content = PageContent::document(document);
  return tab;
}

// A model over `preferences` starting with `tab`; background jobs are kept in
// `jobs` and never run, so a navigation only changes the model's state.
struct ModelFixture {
  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<BrowserModel> model;
  std::vector<std::function<void()>> jobs;

  explicit ModelFixture(const QString& storeName, std::optional<BrowserTab> tab = {}) {
    preferences = KitTest::preferences(storeName);
    model = std::make_unique<BrowserModel>(preferences, nullptr, tab);
    BrowserModel::Services services;
    services.background = [this](std::function<void()> job) { jobs.push_back(std::move(job)); };
    services.schedule = [](std::chrono::milliseconds, std::function<void()>) { return std::function<void()>([] {}); };
    services.page = [](const QUrl&, bool, std::stop_token) -> NetworkResponse { return {}; };
    services.prepare = [](const QByteArray& source, const QUrl&, bool, std::stop_token) {
      WebResourcePack pack;
      pack.source = source;
      return pack;
    };
    model->setServices(services);
  }
  ~ModelFixture() { preferences->storage()->removeAll(); }
};

// The real renderer beside the test binary, or none when it was not built.
inline std::optional<EngineBridge::Runner> renderer() {
  EngineBridge::Runner runner = EngineBridge::Runner::standard();
  if (runner.executable.isEmpty() || !QFileInfo(runner.executable).isExecutable()) return std::nullopt;
  return runner;
}

// Renders `html` with the real renderer at 800 px.
inline PageDocument render(const EngineBridge::Runner& runner, const QByteArray& html) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("page.html"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(html);
  file.close();
  return EngineBridge::load(runner, QUrl::fromLocalFile(path), 800);
}

}  // namespace DevToolsTest

// Helpers of the command, menu and popover tests: a model over a memory-only
// profile whose loads never start, and stand-ins for the workspace and the
// window that record what the commands asked of them.
#pragma once

#include <QList>
#include <QPair>
#include <QStringList>
#include <QUuid>

#include <memory>

#include "model/browser_model.h"
#include "model/window_services.h"
#include "model/model_test_support.h"
#include "profile/browsing_profile.h"

namespace CommandTest {

// A model whose first tab has `history` at `position` (a home tab without
// a history); no load ever leaves the process.
inline std::unique_ptr<BrowserModel> model(const QString& storeName, const QStringList& history = {},
                                           qsizetype position = 0) {
  std::optional<BrowserTab> tab;
  if (!history.isEmpty()) tab = BrowserTab(history, position);
  auto profile = std::make_shared<BrowsingProfile>(false);
  auto made = std::make_unique<BrowserModel>(ModelTestSupport::preferences(storeName), nullptr, tab, profile);
  made->setServices(ModelTestSupport::offlineServices());
  return made;
}

class FakeWorkspace : public WorkspaceServices {
public:
  QList<BrowserModel*> windowModels() const override { return models; }
  void newWindow(bool privateMode) override { newWindows.append(privateMode); }
  void detachTab(const QUuid& tab, BrowserModel& model) override { detached.append({tab, &model}); }
  BrowserModel* activeModel() const override { return active; }

  QList<BrowserModel*> models;
  BrowserModel* active = nullptr;
  QList<bool> newWindows;
  QList<QPair<QUuid, BrowserModel*>> detached;
};

class FakeWindow : public WindowServices {
public:
  void performClose() override { ++closes; }
  QWidget* dialogParent() override { return nullptr; }
  void toggleFullScreen() override { ++fullScreenToggles; }

  int closes = 0;
  int fullScreenToggles = 0;
};

}  // namespace CommandTest

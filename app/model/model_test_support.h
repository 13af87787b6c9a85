// Helpers of the tests that build a browser model: preferences over a store
// of their own and services that never leave the process. The pages' and the
// chrome's test helpers build on them.
#pragma once

#include <QUuid>

#include <memory>
#include <stdexcept>

#include "model/browser_model.h"
#include "model/browser_preferences.h"
#include "model/settings_store.h"

namespace ModelTestSupport {

// Preferences over a new store named after `name` and a new UUID, so tests
// that run at the same time never share one.
inline std::shared_ptr<BrowserPreferences> preferences(const QString& name) {
  return std::make_shared<BrowserPreferences>(
      SettingsStore::open(name + QLatin1Char('.') + QUuid::createUuid().toString(QUuid::WithoutBraces)));
}

// Services that never leave the process: fetches fail, delayed work never
// runs, and background jobs are dropped (or run at once with `runJobs`).
inline BrowserModel::Services offlineServices(bool runJobs = false) {
  BrowserModel::Services services;
  services.page = [](const QUrl&, bool, std::stop_token) -> NetworkResponse { throw std::runtime_error("offline"); };
  services.prepare = [](const QByteArray&, const QUrl&, bool, std::stop_token) -> WebResourcePack {
    throw std::runtime_error("offline");
  };
  if (runJobs) {
    services.background = [](std::function<void()> job) { job(); };
  } else {
    services.background = [](std::function<void()>) {};
  }
  services.schedule = [](std::chrono::milliseconds, std::function<void()>) { return std::function<void()>([] {}); };
  return services;
}

}  // namespace ModelTestSupport

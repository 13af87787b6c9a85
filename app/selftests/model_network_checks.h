// The network suite's checks of a browser model: a remote page in a model
// over the normal profile (redirect, own-engine render, the visit in the
// history file, a relative link, the refused local file, a re-layout without
// a new visit), and the model's two races (a history clear while a page
// loads, a newer navigation over a slower one). Eight passes in all.
//
// The model lives on the main thread; the checks may run on the main thread
// or on a worker, and wait by letting the main thread run. Each wait gives up
// after the frame's patience (in the suite, 10 seconds).
#pragma once

#include <QString>

#include <memory>
#include <vector>

#include "selftests/profile_network_tests.h"

class BrowserModel;
class BrowsingProfile;
class HistoryStore;

// What the checks leave for the suite to hold until it ends.
struct ModelNetworkHold {
  std::shared_ptr<BrowserModel> model;
  std::shared_ptr<HistoryStore> reopenedHistory;
};

// Runs the checks on a new model over `normal`, whose history file is
// `historyFile`. `normal` must outlive the returned hold. Throws SmokeFailure
// at the first check that does not hold.
ModelNetworkHold runModelNetworkChecks(const ProfileSuiteFrame& frame, BrowsingProfile& normal,
                                       const QString& historyFile);

// Shows an address the way a window of the profile does: a new browser
// model over the profile navigates to it; returns once the page is laid out,
// throws the message page's text when the load failed, or SmokeFailure
// "private page" when `patience` runs out. The models are kept in `models`.
PageShower modelPageShower(std::vector<std::shared_ptr<BrowserModel>>& models, const Patience& patience = Patience());

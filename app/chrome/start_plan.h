// What a command line asks the program to do at start, decided once from the
// arguments and in a fixed order: the windowless suites first (home, smoke,
// network, integration), otherwise the normal start with its options, then
// at most one in-window suite, and only without one the route and the
// snapshot. Flags are whole, case-sensitive arguments; a flag's value is the
// argument right after its first occurrence, used as it is, even when it
// looks like another flag.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

#include "model/browser_preferences.h"

enum class StartMode {
  HomeTest,
  SelfTest,
  NetworkTest,
  IntegrationTest,
  // A --network-test without a usable base URL where nothing else applies:
  // status 2 instead of a window that a script would wait on forever.
  NetworkTestUsage,
  Normal,
};

enum class InWindowSuite { None, WindowInteraction, TabInteraction, Interaction };

struct StartPlan {
  StartMode mode = StartMode::Normal;
  // NetworkTest: the fixture server's base URL, and whether its TLS twin runs.
  QUrl networkBase;
  bool tlsFixture = false;

  // Normal start.
  // --snapshot anywhere, with or without a value: a profile that writes no
  // files. Suites get one too.
  bool fileLessProfile = false;
  // --preview-appearance with a value: the appearance to preview, none for a
  // word that names no appearance (the stored one applies).
  std::optional<std::optional<BrowserAppearance>> previewAppearance;
  bool devtools = false;
  InWindowSuite suite = InWindowSuite::None;
  std::optional<QString> route;
  std::optional<QString> snapshotPath;
  bool exitAfterSnapshot = false;
};

namespace StartPlans {

// The plan for `arguments` (the program path first, as Qt gives them).
StartPlan decide(const QStringList& arguments);

// True when any argument equals `flag`.
bool hasFlag(const QStringList& arguments, const QString& flag);

// The argument after the first occurrence of `flag`, if there is one.
std::optional<QString> flagValue(const QStringList& arguments, const QString& flag);

}  // namespace StartPlans

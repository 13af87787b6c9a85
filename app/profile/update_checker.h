// The manual update check: fetches "releases.json" from the update server's
// downloads folder, validates the Linux package it names, compares its version
// with the running one and publishes the outcome. It downloads and installs
// nothing; the package is downloaded through a profile's DownloadStore, which
// verifies its size and SHA-256.
//
// Limits: a manifest of at most 65,536 bytes, fetched without the cache and
// only from its own address (a redirect elsewhere is refused); one check at a
// time, each with its own transport, closed before the check ends. Lives on
// the main thread; the fetch runs on a worker thread.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <thread>

class NetworkTransport;
struct NetworkResponse;

// One downloadable release.
struct ReleasePackage {
  QString version;    // three dot-separated numbers
  QString file;       // the package's name inside the downloads folder
  qint64 bytes = 0;   // its exact size
  QString sha256;     // 64 lower-case hexadecimal digits

  // The package's address: `base` with `file` appended.
  QUrl url(const QUrl& base) const;
  // The package's address on the update server.
  QUrl url() const;

  bool operator==(const ReleasePackage&) const = default;
};

class UpdateChecker : public QObject {
  Q_OBJECT

public:
  static constexpr qint64 kManifestLimit = 65'536;
  // The platform member of the manifest that this build reads.
  static constexpr const char* kPlatformKey = "linux";

  // Makes the transport of one check.
  using TransportFactory = std::function<std::shared_ptr<NetworkTransport>()>;
  // Where and as what a checker checks; tests give their own.
  struct Settings {
    QUrl base = UpdateChecker::downloadBase();
    TransportFactory transport;            // empty: a new NetworkTransport
    QString currentVersion = UpdateChecker::currentVersion();
  };

  // A checker with the initial message; it checks nothing by itself.
  explicit UpdateChecker(QObject* parent = nullptr);
  UpdateChecker(Settings settings, QObject* parent = nullptr);
  // Stops a check still running and waits for its worker.
  ~UpdateChecker() override;

  // The outcome (or the invitation to check) shown to the user.
  const QString& message() const { return m_message; }
  // The newer release found by the last check, if any.
  const std::optional<ReleasePackage>& available() const { return m_available; }
  // True while a check runs.
  bool checking() const { return m_checking; }

  // Starts a check unless one runs; returns at once. The outcome arrives in
  // message() and available(), and checking() turns false at the end.
  void check();

  // True when the package's version, file name, digest and size are all well
  // formed (ASCII digits only; the name cannot leave the downloads folder).
  static bool valid(const ReleasePackage& package);
  // True when `candidate` is a later version than `current`, comparing the
  // numeric pieces between the dots.
  static bool isNewer(const QString& candidate, const QString& current);
  // The update server's downloads folder, an https address ending in
  // "/downloads/".
  static QUrl downloadBase();
  // The running application's version, "0.0.0" when it has none.
  static QString currentVersion();

  // The Linux package of a manifest text. Throws DecodingError when the text
  // is not a manifest (every package member must be complete) and BridgeError
  // "Sürüm paketi doğrulanamadı." when the Linux member is missing or invalid.
  static ReleasePackage decodeManifest(const QByteArray& text);

Q_SIGNALS:
  // Emitted after every change of message().
  void messageChanged();
  // Emitted after every change of available().
  void availableChanged();
  // Emitted after every change of checking().
  void checkingChanged();

private:
  struct Outcome {
    std::optional<ReleasePackage> available;
    QString message;
  };
  static Outcome evaluate(const NetworkResponse& response, const QUrl& manifest, const QString& currentVersion);
  void apply(const Outcome& outcome);
  void setAvailable(const std::optional<ReleasePackage>& package);
  void setChecking(bool checking);

  Settings m_settings;
  QString m_message;
  std::optional<ReleasePackage> m_available;
  bool m_checking = false;
  std::jthread m_worker;
};

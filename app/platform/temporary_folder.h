// A private folder under the user's temporary folder ($TMPDIR, else /tmp),
// named by a prefix and a new UUID, created 0700 and removed with everything
// in it when the object goes away.
#pragma once

#include <QString>

class TemporaryFolder {
public:
  // Creates "<temporary folder>/<prefix><UUID>" (upper-case UUID with
  // hyphens). Throws SystemError when the folder cannot be created.
  explicit TemporaryFolder(const QString& prefix);
  // Removes the folder and its contents; a removal error is ignored.
  ~TemporaryFolder();

  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const QString& path() const { return m_path; }
  // The path of `name` inside the folder.
  QString filePath(const QString& name) const { return m_path + QLatin1Char('/') + name; }

private:
  QString m_path;
};

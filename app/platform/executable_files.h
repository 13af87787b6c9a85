// The running program's own folder, and whether a file can be started.
#pragma once

#include <QString>

// The absolute folder of the running program's executable, with symbolic
// links resolved (as the kernel reports it); empty when it cannot be told.
QString executableFolder();

// True when this process may execute the file at `path`.
bool canExecute(const QString& path);

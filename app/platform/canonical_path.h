// One path for a file however it is reached: through symbolic links or dot
// segments.
#pragma once

#include <QString>

// `path` with its dot segments removed and every symbolic link resolved. A
// path that does not resolve (a missing file or folder on the way) keeps its
// form without dot segments, so that reading it then reports why.
QString canonicalPath(const QString& path);

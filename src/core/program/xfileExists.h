#pragma once

#include <QString>

namespace xfileExists {

// True when path names a normal, non-hidden file (no folder) whose listed name equals the last component of
// the path without regard to case. Any error gives false.
bool FileExists(const QString &path);

} // namespace xfileExists

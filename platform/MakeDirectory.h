#pragma once
// Making one new directory, the way the make-directory dialog needs it: one level, the
// parent must exist, the path reaches the file system as its own bytes.
#include <QString>

namespace platform {

// Creates the directory at path (an FsName string; permissions 0777 less the umask).
// False when it cannot be made: it exists, the parent is missing or not writable, the
// name is too long, or the path holds a NUL character (which would cut it short).
bool makeDirectory(const QString& path);

} // namespace platform

#pragma once
// Replacing a file's whole content without ever leaving it half written.
#include <QByteArray>
#include <QString>

namespace platform {

// Writes bytes to path: a symbolic link is followed to its target (a dangling one
// creates the target). The bytes go to a temporary file in the target's folder, which is
// synced, given the old file's permissions (and owner and group where the process may
// set them) and renamed over the target, so a failure (disk full, no permission) leaves
// the old file as it was. When the folder cannot take the temporary file but the target
// is writable, the target is written in place after room for the whole content has been
// reserved. A rename gives the file a new inode: other hard links keep the old content.
// False with the reason in *error: "<path> に書き込めません" CR LF and the cause.
bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* error);

} // namespace platform

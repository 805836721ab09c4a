#pragma once
// Replacing a file's whole content without ever leaving it half written.
#include <QByteArray>
#include <QString>

namespace platform {

// Writes bytes to path. The bytes go to a new file in the file's folder (unnamed where
// the file system allows), which is synced, given the old file's permissions (and owner
// and group where the process may set them) and only then put in the old file's place,
// so a failure or a kill leaves the old file as it was. The old file is exchanged only
// while it is still the file found at the start (else nothing is replaced), and a file
// that did not exist never replaces one made meanwhile. Refused (nothing written): a
// folder that takes no new file (never written in place, a kill would tear it), a file
// without owner write permission (also for root) or that we may not write, and a symbolic
// link the kernel would not follow in a shared folder (one neither ours nor the folder
// owner's); a link otherwise leads to its target, a dangling one is refused. A rename
// gives the file a new inode: other hard links keep the old content.
// False with the reason in *error: "<path> に書き込めません" CR LF and the cause.
bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* error);

} // namespace platform

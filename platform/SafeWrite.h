#pragma once
// Replacing a file's whole content without ever leaving it half written.
#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QString>
#include <sys/types.h>

struct stat;

namespace platform {

// Whether a write may go through the symbolic link `link` (its lstat) that stands in the
// folder `folder` (its stat) for the user: the kernel's own rule for protected links,
// whatever the system's setting says. In a sticky, world-writable folder only a link of
// the user's own or of the folder's owner is followed; in any other folder every link.
bool mayFollowLink(const struct stat& link, const struct stat& folder, uid_t user);

// The folder (held open in *dir) and the name of the file a write to path replaces. A
// link as the last part is followed where mayFollowLink allows, by the kernel, never by
// joining its text to a path. 0, or an errno value: EACCES for a link the rule refuses,
// ENOLINK for a dangling link (*dir and *name then are the link's own), ESTALE when the
// target moved while we looked.
int locateWriteTarget(const QByteArray& path, UniqueFd* dir, QByteArray* name);

// Writes bytes to path. The bytes go to a new file in the file's folder (unnamed where
// the file system allows), which is synced, given the old file's permissions (and owner
// and group where the process may set them) and only then put in the old file's place,
// so a failure or a kill leaves the old file as it was. The old file is exchanged only
// while it is still the file found at the start (else nothing is replaced), and a file
// that did not exist never replaces one made meanwhile. Refused (nothing written): a
// folder that takes no new file (never written in place, a kill would tear it), a file
// without owner write permission (also for root) or that we may not write, and a symbolic
// link mayFollowLink refuses; a link otherwise leads to its target, a dangling one is
// refused. A rename
// gives the file a new inode: other hard links keep the old content.
// False with the reason in *error: "<path> に書き込めません" CR LF and the cause.
bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* error);

} // namespace platform

#include "platform/MakeDirectory.h"

#include "platform/FsName.h"

#include <sys/stat.h>

namespace platform {

bool makeDirectory(const QString& path) {
    const QByteArray bytes = toFsBytes(path);
    if (bytes.isEmpty() || bytes.contains('\0'))
        return false;
    return ::mkdir(bytes.constData(), 0777) == 0;
}

} // namespace platform

#include "platform/DirEnum.h"

#include "platform/DirReader.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

int enumerateDirectory(const QByteArray& dir, const std::function<bool(const DirEntry&)>& visit) {
    DirReader reader;
    if (const int err = reader.open(dir))
        return err;
    RawEntry raw;
    while (reader.next(raw)) {
        struct stat st {};
        if (::fstatat(reader.fd(), raw.name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // vanished between reading and stat
        DirEntry e;
        e.name = raw.name;
        e.nameLength = raw.nameLength;
        if (S_ISLNK(st.st_mode)) {
            e.isSymlink = true;
            struct stat target {};
            if (::fstatat(reader.fd(), raw.name, &target, 0) == 0)
                st = target; // a dangling link keeps its own data
        }
        e.isDir = S_ISDIR(st.st_mode);
        e.isRegular = S_ISREG(st.st_mode);
        e.writable = (st.st_mode & S_IWUSR) != 0;
        e.size = e.isDir ? 0 : int64_t(st.st_size);
        e.mtimeSec = int64_t(st.st_mtim.tv_sec);
        e.mtimeNsec = int32_t(st.st_mtim.tv_nsec);
        if (!visit(e))
            break;
    }
    return 0;
}

} // namespace platform

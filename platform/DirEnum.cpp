#include "platform/DirEnum.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int enumerateDirectory(const QByteArray& dir, const std::function<bool(const DirEntry&)>& visit) {
    int fd = ::open(dir.isEmpty() ? "." : dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    DIR* d = ::fdopendir(fd);
    if (!d) {
        int e = errno;
        ::close(fd);
        return e;
    }
    while (dirent* de = ::readdir(d)) {
        const char* n = de->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        struct stat st {};
        DirEntry e;
        e.name = n;
        e.nameLength = qsizetype(std::strlen(n));
        if (::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // vanished between readdir and stat
        if (S_ISLNK(st.st_mode)) {
            e.isSymlink = true;
            struct stat target {};
            if (::fstatat(fd, n, &target, 0) == 0)
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
    ::closedir(d);
    return 0;
}

} // namespace platform

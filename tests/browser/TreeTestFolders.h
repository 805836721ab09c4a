#pragma once
// Helpers for tests on real temporary folders: folders made from raw name bytes, and a
// guard that reads the file system as an ordinary user, so permission bits also bite
// when the tests run as root.
#include "platform/FsName.h"

#include <QByteArray>
#include <QString>
#include <ostream>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace treetest {

inline bool makeDir(const QByteArray& path) {
    return ::mkdir(path.constData(), 0755) == 0;
}
inline bool makeDir(const QString& path) {
    return makeDir(platform::toFsBytes(path));
}

inline bool isDirectory(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// While alive, file-system permission checks are made for the user "nobody" (root
// loses its override of permission bits with the file-system user id).
class AsOrdinaryUser {
public:
    AsOrdinaryUser() : wasRoot_(::geteuid() == 0) {
        if (wasRoot_)
            ::setfsuid(65534);
    }
    ~AsOrdinaryUser() {
        if (wasRoot_)
            ::setfsuid(0);
    }
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

private:
    bool wasRoot_;
};

} // namespace treetest

// Readable failure output for texts and paths.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

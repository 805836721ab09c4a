#include "platform/UserInfo.h"

#include "platform/TextCodec.h"

#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::function<QString()>& source() {
    static std::function<QString()> s;
    return s;
}

} // namespace

QString fullNameFromGecos(const QByteArray& gecos) {
    const qsizetype comma = gecos.indexOf(',');
    return decodeText(comma < 0 ? gecos : gecos.left(comma));
}

QString passwdFullName() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0)
        size = 16384;
    std::vector<char> buffer(static_cast<size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    // A buffer too small for a long entry: grow it a few times, then give up.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int rc = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE) {
            buffer.resize(buffer.size() * 4);
            continue;
        }
        if (rc != 0 || !found || !found->pw_gecos)
            return {};
        return fullNameFromGecos(QByteArray(found->pw_gecos));
    }
    return {};
}

QString ReadUserName() {
    const QString name = source() ? source()() : passwdFullName();
    return name.isEmpty() ? QStringLiteral("親分") : name;
}

void SetUserNameSource(std::function<QString()> s) {
    source() = std::move(s);
}

} // namespace platform

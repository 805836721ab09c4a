#include "platform/MemoryStatus.h"

#include <QFile>
#include <QHash>

namespace platform {

namespace {

std::function<QByteArray()>& meminfoSource() {
    static std::function<QByteArray()> source;
    return source;
}

QByteArray readProcMeminfo() {
    // A file of the proc file system reports size 0: read it to its end.
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

MemoryStatus MemoryStatusFromMeminfo(const QByteArray& text) {
    QHash<QByteArray, qint64> kb;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QList<QByteArray> words = line.mid(colon + 1).simplified().split(' ');
        bool ok = false;
        const qint64 value = words.value(0).toLongLong(&ok);
        if (ok)
            kb.insert(line.left(colon).trimmed(), value);
    }
    auto bytes = [&kb](const char* key) { return kb.value(key, 0) * 1024; };

    MemoryStatus s;
    s.totalPhys = bytes("MemTotal");
    s.availPhys = kb.contains("MemAvailable") ? bytes("MemAvailable") : bytes("MemFree");
    s.totalPageFile = bytes("SwapTotal");
    s.availPageFile = bytes("SwapFree");
    s.totalVirtual = bytes("CommitLimit");
    s.availVirtual = s.totalVirtual - bytes("Committed_AS");
    if (s.totalPhys > 0)
        s.memoryLoad = 100 - s.availPhys * 100 / s.totalPhys;
    return s;
}

MemoryStatus GlobalMemoryStatus() {
    return MemoryStatusFromMeminfo(meminfoSource() ? meminfoSource()() : readProcMeminfo());
}

void SetMeminfoSource(std::function<QByteArray()> source) {
    meminfoSource() = std::move(source);
}

} // namespace platform

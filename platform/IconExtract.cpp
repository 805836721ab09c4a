#include "platform/IconExtract.h"

#include "platform/DesktopEntry.h"
#include "platform/FileProbe.h"
#include "platform/PeIcon.h"

#include <QFile>
#include <QIcon>
#include <QPainter>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FsName.h"

namespace platform {

namespace {
constexpr int kSize = 32;
constexpr qsizetype kMaxIconFile = 16 << 20;

ExtractedIcon icon(QImage img) {
    if (img.isNull())
        return {IconOutcome::NoIcon, {}};
    return {IconOutcome::Icon, std::move(img)};
}

QImage fromIcon(const QIcon& ic) {
    if (ic.isNull())
        return {};
    return ic.pixmap(QSize(kSize, kSize)).toImage();
}

// The PE reader works on the whole file; programs can be large, so the file is
// mapped rather than read.
std::optional<QByteArray> iconFromPeFile(const QString& path) {
    int fd = ::open(toFsBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        ::close(fd);
        return std::nullopt;
    }
    void* map = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED)
        return std::nullopt;
    auto ico =
        iconFileFromPe(QByteArrayView(static_cast<const char*>(map), qsizetype(st.st_size)), kSize);
    ::munmap(map, size_t(st.st_size));
    return ico;
}

QImage desktopEntryIcon(const QString& path) {
    const auto content = readWholeFile(path, 1 << 20);
    const auto entry = content ? parseDesktopEntry(*content) : std::nullopt;
    if (!entry || entry->icon.isEmpty())
        return {};
    if (entry->icon.startsWith('/')) {
        const auto bytes = readWholeFile(entry->icon, kMaxIconFile);
        if (!bytes)
            return {};
        const QString ext = entry->icon.section('.', -1).toLower();
        if (ext == QLatin1String("ico"))
            return bestIconImage(*bytes, kSize);
        QImage img = QImage::fromData(*bytes);
        return img.isNull()
                   ? img
                   : img.scaled(kSize, kSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return fromIcon(QIcon::fromTheme(entry->icon));
}
} // namespace

QImage fallbackProgramIcon() {
    // A small window: title bar and frame, so it reads as "a program".
    QImage img(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(2, 5, 27, 22);
    p.fillRect(3, 6, 26, 5, QColor(30, 80, 170));
    p.fillRect(25, 7, 3, 3, QColor(230, 230, 230));
    p.fillRect(6, 14, 12, 2, QColor(150, 150, 150));
    p.fillRect(6, 18, 18, 2, QColor(150, 150, 150));
    p.fillRect(6, 22, 9, 2, QColor(150, 150, 150));
    return img;
}

ExtractedIcon ExtractIcon(const QString& path) {
    const QString name = path.mid(path.lastIndexOf('/') + 1);
    const QString ext = name.contains('.') ? name.section('.', -1).toUpper() : QString();
    if (ext == QLatin1String("ICO") || ext == QLatin1String("CUR")) {
        const auto bytes = readWholeFile(path, kMaxIconFile);
        return bytes ? icon(bestIconImage(*bytes, kSize)) : ExtractedIcon{IconOutcome::NoIcon, {}};
    }
    const QByteArray head = readFileHead(path, 4);
    if (head.startsWith("MZ")) {
        const auto ico = iconFromPeFile(path);
        return ico ? icon(bestIconImage(*ico, kSize)) : ExtractedIcon{IconOutcome::NoIcon, {}};
    }
    if (ext == QLatin1String("DESKTOP") && pathIsFile(path))
        return icon(desktopEntryIcon(path));
    if (head.startsWith("\x7f"
                        "ELF") &&
        pathIsExecutable(path)) {
        QImage img = fromIcon(QIcon::fromTheme(QStringLiteral("application-x-executable")));
        return icon(img.isNull() ? fallbackProgramIcon() : img);
    }
    return {};
}

} // namespace platform

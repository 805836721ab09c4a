#include "platform/IconExtract.h"

#include "platform/DesktopEntry.h"
#include "platform/FileProbe.h"
#include "platform/PeIcon.h"

#include <QFile>
#include <QIcon>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FsName.h"

namespace platform {

namespace {
constexpr qsizetype kMaxIconFile = 16 << 20;
constexpr uint64_t kPeHeaderBytes = 64 << 10; // DOS stub, PE header and section table

ExtractedIcon icon(QImage img) {
    if (img.isNull())
        return {IconOutcome::NoIcon, {}};
    return {IconOutcome::Icon, std::move(img)};
}

QImage fromIcon(const QIcon& ic, int size) {
    if (ic.isNull())
        return {};
    // In device pixels: the theme's image for that size, not the screen's scaled one.
    QImage image = ic.pixmap(QSize(size, size), 1.0).toImage();
    image.setDevicePixelRatio(1.0);
    return image;
}

// Reads len bytes at off into dst; false on a short read (the file changed under us).
bool readAt(int fd, char* dst, uint64_t off, uint64_t len) {
    while (len > 0) {
        const ssize_t n = ::pread(fd, dst, size_t(len), off_t(off));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        dst += n;
        off += uint64_t(n);
        len -= uint64_t(n);
    }
    return true;
}

// Programs can be large, and mapping one would end this process if another one
// truncated the file meanwhile. Only the headers and the resource section are read,
// into a buffer the file's size whose other pages are never touched.
std::optional<QByteArray> iconFromPeFile(const QString& path, int size) {
    const int fd =
        ::open(toFsBytes(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> result;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        const uint64_t fileSize = uint64_t(st.st_size);
        const uint64_t headLen = std::min<uint64_t>(fileSize, kPeHeaderBytes);
        std::unique_ptr<char, decltype(&std::free)> buf(
            static_cast<char*>(std::calloc(size_t(fileSize), 1)), &std::free);
        if (buf && readAt(fd, buf.get(), 0, headLen)) {
            const auto rsrc = peResourceSection(QByteArrayView(buf.get(), qsizetype(headLen)));
            if (rsrc && rsrc->first < fileSize) {
                const uint64_t len = std::min(rsrc->second, fileSize - rsrc->first);
                if (readAt(fd, buf.get() + rsrc->first, rsrc->first, len))
                    result = iconFileFromPe(QByteArrayView(buf.get(), qsizetype(fileSize)), size);
            }
        }
    }
    ::close(fd);
    return result;
}

QImage desktopEntryIcon(const QString& path, int size) {
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
            return bestIconImage(*bytes, size);
        QImage img = QImage::fromData(*bytes);
        return img.isNull() ? img
                            : img.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return fromIcon(QIcon::fromTheme(entry->icon), size);
}
} // namespace

QImage fallbackProgramIcon() {
    // A small window: title bar and frame, so it reads as "a program".
    constexpr int kSize = kStandardIconSize;
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

ExtractedIcon ExtractIcon(const QString& path, int size) {
    const QString name = path.mid(path.lastIndexOf('/') + 1);
    const QString ext = name.contains('.') ? name.section('.', -1).toUpper() : QString();
    if (ext == QLatin1String("ICO") || ext == QLatin1String("CUR")) {
        const auto bytes = readWholeFile(path, kMaxIconFile);
        return bytes ? icon(bestIconImage(*bytes, size)) : ExtractedIcon{IconOutcome::NoIcon, {}};
    }
    const QByteArray head = readFileHead(path, 4);
    if (head.startsWith("MZ")) {
        const auto ico = iconFromPeFile(path, size);
        return ico ? icon(bestIconImage(*ico, size)) : ExtractedIcon{IconOutcome::NoIcon, {}};
    }
    if (ext == QLatin1String("DESKTOP") && pathIsFile(path))
        return icon(desktopEntryIcon(path, size));
    if (head.startsWith("\x7f"
                        "ELF") &&
        pathIsExecutable(path)) {
        QImage img = fromIcon(QIcon::fromTheme(QStringLiteral("application-x-executable")), size);
        return icon(img.isNull() ? fallbackProgramIcon() : img);
    }
    return {};
}

} // namespace platform

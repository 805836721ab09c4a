#include "launcher/LaunchRules.h"

#include "launcher/EntryRules.h"
#include "platform/FsName.h"
#include "platform/Shell.h"

#include <QMimeData>
#include <QUrl>

namespace launcher {

std::optional<QString> ParameterFile(bool viewerOpen, const SelectionSource* selection) {
    if (!viewerOpen || !selection)
        return std::nullopt;
    auto file = selection->selectedFile();
    if (!file || ExtensionKey4(*file) == QLatin1String(".EXE"))
        return std::nullopt;
    return file;
}

SlotClickAction DecideSlotClick(const QString& entry, bool viewerOpen,
                                const SelectionSource* selection, bool entryIsFile) {
    SlotClickAction a;
    if (entry.isEmpty()) {
        const auto file = viewerOpen && selection ? selection->selectedFile() : std::nullopt;
        const auto dir = viewerOpen && selection ? selection->selectedDirectory() : std::nullopt;
        if (file) {
            const QString full = FullPath(*file);
            a.kind = SlotClickAction::RegisterAndStart;
            a.registerPath = *file;
            a.request = {full, QString(), platform::EntryFolder(full)};
        } else if (dir) {
            const QString full = FullPath(*dir);
            a.kind = SlotClickAction::RegisterAndStart;
            a.registerPath = *dir;
            a.request = {full, QString(), full};
        } else {
            a.request = {QStringLiteral("explorer"), QString(), QString()};
        }
        return a;
    }
    a.reportNotFound = true;
    if (viewerOpen) {
        if (EntryFileName(entry).toUpper() == QLatin1String("EXPLORER.EXE")) {
            const auto dir = selection ? selection->selectedDirectory() : std::nullopt;
            a.request = {entry, dir.value_or(QString()), QString()};
        } else {
            const auto param = ParameterFile(viewerOpen, selection);
            // Quoted so that a name with spaces stays one argument; without a file the
            // program still gets one (empty) argument.
            a.request = {entry, param ? platform::QuoteArgument(*param) : QStringLiteral("\"\""),
                         platform::EntryFolder(entry)};
        }
    } else if (entryIsFile) {
        a.request = {entry, QString(), platform::EntryFolder(entry)};
    } else {
        a.request = {QStringLiteral("explorer.exe"), QStringLiteral("/n,/e,") + entry, QString()};
    }
    return a;
}

std::optional<QString> DropPath(DragSourceKind kind, const SelectionSource* selection) {
    if (!selection)
        return std::nullopt;
    switch (kind) {
    case DragSourceKind::FileList:
    case DragSourceKind::SelectionImage:
        return selection->selectedFile();
    case DragSourceKind::DirectoryTree:
        return selection->selectedDirectory();
    case DragSourceKind::Other:
        break;
    }
    return std::nullopt;
}

QStringList DroppedLocalFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        // The encoded path keeps bytes that are not UTF-8, which toLocalFile would lose.
        const QByteArray bytes =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (!bytes.isEmpty())
            files.append(platform::fromFsBytes(bytes));
    }
    return files;
}

ShellRequest DroppedFileRequest(const QString& path) {
    return {path, QString(), path.left(path.lastIndexOf('/') + 1)};
}

} // namespace launcher

#include "launcher/EntryRules.h"

#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "platform/Shortcut.h"

namespace launcher {

namespace {
const QString kCrLf2 = QStringLiteral("\r\n\r\n");
} // namespace

QString EntryFileName(const QString& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QString ExtensionKey(const QString& path) {
    return platform::upperExtension(path);
}

QString ExtensionKey4(const QString& path) {
    return ExtensionKey(path).left(4);
}

QString FullPath(const QString& path) {
    QString full = platform::absolutePath(path);
    if (path.endsWith('/') && !full.endsWith('/'))
        full += '/';
    return full;
}

PictureChoice ChoosePicture(PictureRule rule, const QString& entry) {
    const QString usagi = QStringLiteral("USAGI");
    // The click rule compares the whole extension, the others its first four characters.
    const QString ext = rule == PictureRule::Click ? ExtensionKey(entry) : ExtensionKey4(entry);
    if (rule == PictureRule::StartUpMissing)
        return {PictureChoice::Resource, QString(),
                ext.isEmpty() ? QStringLiteral("KUMA") : QStringLiteral("ZELU")};
    if (ext == QLatin1String(".BMP"))
        return {PictureChoice::Bitmap, entry, QString()};
    if (ext == QLatin1String(".ICO"))
        return {PictureChoice::IconFile, entry, QString()};
    if (ext.isEmpty() && (rule == PictureRule::Drop || rule == PictureRule::Click))
        return {PictureChoice::Resource, QString(), QStringLiteral("KUMA")};
    // The last-launched slot shows the file itself, even a shortcut.
    const QString source = rule != PictureRule::LastLaunched && ext == QLatin1String(".LNK")
                               ? platform::ResolveShortcut(entry)
                               : entry;
    return {PictureChoice::Extract, source, usagi};
}

QString EntryHint(PictureRule rule, const QString& entry) {
    if (rule == PictureRule::StartUpFile)
        return EntryFileName(entry);
    return entry;
}

QString LastLaunchedHint(const QString& path) {
    return QStringLiteral("直前に呼び出したお友達 ( ") + path + QStringLiteral(" )");
}

QString UnregisteredHint(int slot) {
    return QStringLiteral("未登録 ") + QString::number(slot + 1);
}

QString RemovedHint(int slot) {
    return QStringLiteral("解除後 ") + QString::number(slot + 1);
}

QString RegistrationCaption(int slot, const QString& entry) {
    QString caption = QStringLiteral("登録 ") + QString::number(slot + 1) + QStringLiteral("  ");
    if (!entry.isEmpty())
        caption += ExtensionKey(entry).isEmpty() ? entry : EntryFileName(entry);
    return caption;
}

QString RemovalQuestion(const QString& entry) {
    const QString name = EntryFileName(entry);
    const QString tail = QStringLiteral("  ＞  を") + kCrLf2 +
                         QStringLiteral("ボタン登録から解除します。") + kCrLf2 +
                         QStringLiteral("よろしいですか ? ");
    if (!name.isEmpty() && name.contains('.')) {
        const QString folder = entry.left(entry.size() - name.size());
        return folder + QStringLiteral("   の") + kCrLf2 + QStringLiteral("＜  ") + name + tail;
    }
    return QStringLiteral("＜  ") + entry + tail;
}

QString NotFoundMessage(const QString& entry) {
    return QStringLiteral("指定の  ") + entry + QStringLiteral("  は、") + kCrLf2 +
           QStringLiteral("  起動できませんでした。") + kCrLf2 +
           QStringLiteral("ドライブの用意は、できていますか ？") + kCrLf2 +
           QStringLiteral("登録後、ファイルを移動したり、削除されませんでしたか ？");
}

QString PageSection(int page) {
    return QStringLiteral("Page") + QString::number(page + 1);
}

QString SlotKey(int slot) {
    return QStringLiteral("BPFileName") + QString::number(slot);
}

} // namespace launcher

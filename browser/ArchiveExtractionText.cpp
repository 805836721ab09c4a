#include "browser/ArchiveExtractionText.h"

#include "archive/CommandQuote.h"
#include "platform/FsName.h"

namespace browser {

namespace {

const QString& crlf2() {
    static const QString text = QStringLiteral("\r\n\r\n");
    return text;
}

QString missingLibraryText(const QString& library) {
    return QStringLiteral("解凍作業に必要な「 ") + library +
           QStringLiteral(" 」が、見つかりません。 \r\n\r\n「 ") + library +
           QStringLiteral(" 」を入手後、この機能を使用して下さい。");
}

const QString& continueHead() {
    static const QString text = QStringLiteral(
        "解凍は、完了しました。 解凍作業を継続しますか？ \r\n\r\n「 はい 」を選択すると、");
    return text;
}

} // namespace

QString NotAnArchiveText(const QString& name) {
    return QStringLiteral("選択したファイルは、 ") + name + QStringLiteral(" ですが、 ") + crlf2() +
           QStringLiteral("このファイルは、解凍対象のファイルではありません。") + crlf2() +
           QStringLiteral("解凍対象ファイルの拡張子は、＊．ＬＺＨ あるいは、＊．ＺＩＰ です。") +
           crlf2() + QStringLiteral("確認して下さい。");
}

QString MissingUnlhaText() {
    return missingLibraryText(QStringLiteral("ＵＮＬＨＡ３２．ＤＬＬ"));
}

QString MissingUnzipText() {
    return missingLibraryText(QStringLiteral("ＵＮＺＩＰ３２．ＤＬＬ"));
}

QString ConfirmExtractionText(const QString& name, const QString& destination) {
    return QStringLiteral("解凍するファイルは  ") + name + QStringLiteral(" ですね。") + crlf2() +
           QStringLiteral("ディレクトリー  ＜  ") + destination +
           QStringLiteral("  ＞ に、解凍を始めます。");
}

QString LzhFailedCaption() {
    return QStringLiteral("ゼルモ３２");
}

QString LzhFailedText(const QString& archive) {
    return archive + QStringLiteral(" の 解凍はできませんでした。");
}

QString ZipFailedCaption() {
    return QStringLiteral(" Unzip32.DLL Extract");
}

QString ZipFailedText() {
    return QStringLiteral("Unzip32.DLL 圧縮ファイルの解凍ができません。");
}

QString ContinueFromFolderText(const QString& start) {
    return continueHead() + QStringLiteral("元のディレクトリー \r\n\r\n＜  ") + start +
           QStringLiteral("  ＞ に、移動します。");
}

QString ContinueFromSearchText() {
    return continueHead() + QStringLiteral("一気検索結果一覧を表示します。");
}

QByteArray LzhVerb(bool archiveWindowExists, const QString& lastMemberName) {
    return archiveWindowExists && lastMemberName.startsWith(QLatin1Char('/')) ? "e" : "x";
}

QByteArray ExtractionCommand(archive::ArchiveKind kind, const QByteArray& lzhVerb,
                             const QString& archivePath, const QString& destination) {
    const QByteArray verb = kind == archive::ArchiveKind::Lzh ? lzhVerb : QByteArray("-x");
    return verb + ' ' + archive::QuoteArgument(platform::toFsBytes(archivePath)) + ' ' +
           archive::QuoteArgument(platform::toFsBytes(destination) + '/');
}

} // namespace browser

#include "browser/FilePanelText.h"

#include "browser/FileFormat.h"
#include "browser/FileListBox.h"
#include "platform/FsName.h"

#include <QFileInfo>

namespace browser {

QString FilterDefinition() {
    return QStringLiteral(
        " ﾌﾟﾛｸﾞﾗﾑ (*.EXE)|*.exe| All Files (*.*)|*.*|圧縮  （*.LZH）|*.lzh| ﾋﾞｯﾄﾏｯﾌﾟ(*.BMP)|*.bmp| "
        "テキスト (*.TXT)|*.txt| Ini File (*.INI)|*.ini| ヘルプ  (*.HLP)|*.hlp|セーバー "
        "(*.SCR)|*.scr|ロ グ   (*.LOG)|*.log|データ (*.DAT)|*.dat|アイコン （*.ICO）|*.ico|Jpeg "
        "(*.JPG)|*.jp*|Gif (*.GIF)|*.gif");
}

QList<FilterEntry> ParseFilter(const QString& definition) {
    QList<FilterEntry> entries;
    const QStringList parts = definition.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2)
        entries.append({parts[i], parts[i + 1]});
    return entries;
}

QList<FilterEntry> FilterEntries() {
    return ParseFilter(FilterDefinition());
}

int NextFilterIndex(int current, int count) {
    if (current < 0 || current >= count - 1)
        return 0;
    return current + 1;
}

QString WantedMask(const QString& fileName) {
    const QString name = QFileInfo(fileName).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return QStringLiteral("*") + (dot < 0 ? QString() : name.mid(dot).toUpper());
}

bool FilterHidesFile(const QString& fileName, const QString& currentMask) {
    return WantedMask(fileName) != currentMask.toUpper();
}

QString RowsItemCaption(int rows) {
    const QString number = rows < 10 ? QString(QChar(0xFF10 + rows)) : QString::number(rows);
    return number + QStringLiteral("行 表示");
}

QString ColumnsItemCaption(int columns) {
    return QString(QChar(0xFF10 + columns)) + QStringLiteral("列 表示");
}

QString ExtItemCaption(int filterIndex) {
    static const char* const kCaptions[13] = {
        "(&1) *.EXE", "(&2) *.*",   "(&3) *.LZH", "(&4) *.BMP", "(&5) *.TXT",
        "(&6) *.INI", "(&7) *.HLP", "(&8) *.SCR", "(&9) *.LOG", "(&A) *.DAT",
        "(&B) *.ICO", "(&C) *.JPG", "(&D) *.GIF"};
    if (filterIndex < 0 || filterIndex >= 13)
        return {};
    return QString::fromLatin1(kCaptions[filterIndex]);
}

QString FormatCount(int64_t n) {
    return FormatSize(n);
}

QString SummaryText(int fileCount, int64_t totalSize) {
    return QStringLiteral(" Total Files = ") + FormatCount(fileCount) +
           QStringLiteral(" ,Size = ") + FormatCount(totalSize) + QStringLiteral(" Bytes");
}

QString CountText(int fileCount) {
    return QStringLiteral(" ﾌｧｲﾙ合計 : ") + FormatCount(fileCount) + QStringLiteral(" ");
}

QString SelectionText(const QString& size, const QString& date, const QString& attr) {
    // The leading spaces keep the text clear of the selection image.
    return QString(12, QLatin1Char(' ')) + size + QStringLiteral(" Bytes , ") + date +
           QStringLiteral(" , ") + attr;
}

QString LineText(int selectedIndex, int fileCount) {
    return QStringLiteral(" Line : ") + FormatCount(int64_t(selectedIndex) + 1) +
           QStringLiteral(" / ") + FormatCount(fileCount) + QStringLiteral(" ");
}

QString DriveNotReadyText(const QString& drive) {
    return drive + QStringLiteral("：ドライブ の用意ができていないようです。") +
           QStringLiteral("\r\n") + QStringLiteral("セットして再試行しますか ？");
}

QString ApplicationCaption() {
    return QStringLiteral("ゼルモ３２");
}

QString SortHelpText(bool withDirectory) {
    QString text =
        QStringLiteral("クリックは、右の項目から選択して下さい。\r\n\r\n(選択可能項目)\r\n\r\n "
                       "Name      : 名前でソート\r\n Ext       : 拡張子でソート\r\n Size      : "
                       "ファイルサイズでソート\r\n Time      : 更新日時でソート");
    if (withDirectory)
        text += QStringLiteral("\r\n Directory : ディレクトリーでソート");
    return text + QStringLiteral(
                      "\r\n\r\n続けて同じ項目をクリックすると、昇順・降順表示が切り替わります。");
}

int SectionSortKey(int section, bool searchSheet) {
    switch (section) {
    case 1:
        return soName;
    case 2:
        return soExt;
    case 3:
        return soSize;
    case 4:
        return soTime;
    case 5:
        return searchSheet ? int(soDirectory) : -1;
    default:
        return -1;
    }
}

SortState ToggledSort(SortState current, TSortOrder key) {
    if (key != current.order)
        return {key, current.direction};
    return {current.order, current.direction == sdUpword ? int(sdDownword) : int(sdUpword)};
}

QPoint ListMenuPosition(QPoint cursor, bool centred, int menuWidth) {
    if (centred)
        return {cursor.x() - menuWidth / 2, cursor.y() - 10};
    return cursor;
}

QPoint TreeMenuPosition(QPoint cursor) {
    return cursor + QPoint(10, 10);
}

bool OnSplitter(int x, int panelWidth) {
    return x > panelWidth - 5;
}

bool SplitterWidthAllowed(int x, int windowWidth) {
    return x > 0 && x < windowWidth;
}

QString WholeExtensionKey(const QString& fileName) {
    return platform::upperExtension(fileName);
}

QString ExtensionKey(const QString& fileName) {
    return WholeExtensionKey(fileName).left(4);
}

QString CutForCaption(const QString& text) {
    constexpr qsizetype kMax = 255;
    if (text.size() <= kMax)
        return text;
    // A character beyond the first plane takes two units; never keep only its first.
    const qsizetype n = text.at(kMax - 1).isHighSurrogate() ? kMax - 1 : kMax;
    return text.left(n);
}

QString ShownSearchBase(const QString& base) {
    return CutForCaption(platform::displayName(base));
}

QString BaseCaption(const QString& base) {
    return QStringLiteral(" 検索ベース ＝  ") + base;
}

QString SummaryBaseCaption(const QString& base) {
    return QStringLiteral(" 検索ベース ＝ ") + base;
}

} // namespace browser

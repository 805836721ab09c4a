#include "search/SearchText.h"

#include "platform/FsName.h"

namespace search {

bool PatternNeedsWarning(const QString& pattern) {
    // The full-width space is not looked for: it is a legal file name character.
    return pattern.contains(QLatin1Char('\\')) || pattern.contains(QLatin1Char('/')) ||
           pattern.contains(QLatin1Char(' '));
}

QString PatternWarningText() {
    return QStringLiteral("検索しようとしている文字に、\r\n\r\n￥ とか ／ とか スペース 文字 "
                          "を、\r\n\r\n使用していませんか？\r\n\r\n");
}

QString NoMatchText(const QString& pattern) {
    return QStringLiteral("検索する文字  ") + pattern + QStringLiteral("  に") +
           QStringLiteral("\r\n\r\n") + QStringLiteral("該当するファイルは見つかりませんでした。");
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

QString CutSearchBase(const QString& path) {
    return CutForCaption(path);
}

QString BaseCaption(const QString& base) {
    return QStringLiteral(" 検索ベース ＝  ") + base;
}

QString SummaryBaseCaption(const QString& base) {
    return QStringLiteral(" 検索ベース ＝ ") + base;
}

QString SearchCaption(const QString& base, const QString& pattern) {
    return base + QStringLiteral(" / ") + pattern;
}

} // namespace search

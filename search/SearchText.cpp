#include "search/SearchText.h"

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

QString SearchCaption(const QString& base, const QString& pattern) {
    return base + QStringLiteral(" / ") + pattern;
}

} // namespace search

#pragma once
// The bulk search's texts and checks, without widgets.
#include <QString>

namespace search {

// A pattern typed with Enter is checked first: a backslash, a slash or a space in it is
// most likely a path or a mistake, not a file name pattern.
bool PatternNeedsWarning(const QString& pattern);
QString PatternWarningText();

// The dialog when nothing matched.
QString NoMatchText(const QString& pattern);

// What PanelL shows while and after a search: the shown base, " / " and the pattern
// ("/ / *.*" for the root).
QString SearchCaption(const QString& base, const QString& pattern);

} // namespace search

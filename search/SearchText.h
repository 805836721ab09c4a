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

// The directory a search starts from is kept and searched whole, however long: its
// first 255 characters could name a sibling folder that starts the same way. Only the
// texts that show it are cut.

// A text shown in a caption: at most 255 characters, never half a character.
QString CutForCaption(const QString& text);

// The search base as the captions show it: its display form (a path that is not UTF-8
// decoded as CP932), cut for the caption.
QString ShownSearchBase(const QString& base);

// CutForCaption under its former name: for a shown text only, never for the path a
// search walks.
QString CutSearchBase(const QString& path);

// The result sheet's information bar: the base with the prefix of two trailing spaces
// (set when a search starts and while hovering) or of one (the list summary).
QString BaseCaption(const QString& base);
QString SummaryBaseCaption(const QString& base);

// What PanelL shows while and after a search: the shown base, " / " and the pattern
// ("/ / *.*" for the root).
QString SearchCaption(const QString& base, const QString& pattern);

} // namespace search

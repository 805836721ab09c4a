#pragma once
// The first icon of a file, with the three outcomes callers tell apart: the file is no
// source of icons at all, it is one but holds none, or here is its icon.
#include <QImage>
#include <QString>

namespace platform {

enum class IconOutcome { NoIconSource, NoIcon, Icon };

struct ExtractedIcon {
    IconOutcome outcome = IconOutcome::NoIconSource;
    QImage image; // set for Icon: 32 x 32 where the source offers that size
};

// ".ICO" / ".CUR" files give their own image; Windows programs and libraries (files
// starting with "MZ") the first icon group of their resources; ".desktop" files the
// icon their Icon= names; ELF executables the desktop theme's icon for programs.
// Anything else is no icon source.
ExtractedIcon ExtractIcon(const QString& path);

// The picture shown for a program when the icon theme has none.
QImage fallbackProgramIcon();

} // namespace platform

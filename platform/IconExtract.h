#pragma once
// The first icon of a file, with the three outcomes callers tell apart: the file is no
// source of icons at all, it is one but holds none, or here is its icon.
#include <QImage>
#include <QString>

namespace platform {

// The system's icon size in logical pixels.
constexpr int kStandardIconSize = 32;

enum class IconOutcome { NoIconSource, NoIcon, Icon };

struct ExtractedIcon {
    IconOutcome outcome = IconOutcome::NoIconSource;
    QImage image; // set for Icon: size x size where the source offers that size
};

// ".ICO" / ".CUR" files give their own image; Windows programs and libraries (files
// starting with "MZ") the first icon group of their resources; ".desktop" files the
// icon their Icon= names; ELF executables the desktop theme's icon for programs.
// Anything else is no icon source. size is in device pixels: at the standard size the
// image closest to it, above it (a HiDPI screen) the smallest that covers it.
ExtractedIcon ExtractIcon(const QString& path, int size = kStandardIconSize);

// The picture shown for a program when the icon theme has none.
QImage fallbackProgramIcon();

} // namespace platform

#pragma once
// The program's own pictures, compiled in under ":/res/": icons, hand cursors, the
// control page's button pictures and the directory pictures.
#include <QCursor>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>

namespace ui {

// Path of a resource picture: ":/res/<name>.png" ("glyphs/CloseButton" also works).
QString resourcePath(const QString& name);

// "MAINICON" at 32 x 32 and 16 x 16.
QIcon programIcon();

// A picture by name ("MAINICON", "ZELU", "KUMA", "USAGI", "SPLASH", "HANDPNT", ...);
// null when there is none of that name.
QPixmap resourcePixmap(const QString& name);
QIcon resourceIcon(const QString& name);

// "HANDPNT", "HANDFLAT", "HANDHIT" with their hot spots (the finger tips); the arrow
// cursor for any other name.
QCursor resourceCursor(const QString& name);

// The two-state picture of a control page button (by the button's name, "CloseButton",
// "SBP", ...): normal and disabled side by side, each glyphSize(name) wide. Null when
// the name has no picture.
QPixmap controlGlyph(const QString& buttonName);
// The same as an icon: the normal frame for QIcon::Normal, the greyed one for Disabled.
QIcon controlGlyphIcon(const QString& buttonName);
// The size of one frame: 24 x 24 for the 30 x 30 buttons, 28 x 28 for "SBP".
QSize glyphSize(const QString& buttonName);
// The fourteen button names that have pictures, in the order of the control page.
QStringList controlGlyphNames();

// The five 16 x 16 pictures of the directory tree and the drive box: 0 closed folder,
// 1 open folder, 2 fixed drive, 3 removable drive, 4 optical drive. The strip's
// RGB(128,128,0) pixels are transparent.
enum DirImage { DirClosed = 0, DirOpen = 1, DirDrive = 2, DirRemovable = 3, DirOptical = 4 };
QList<QPixmap> dirImages();

} // namespace ui

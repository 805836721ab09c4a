#pragma once
// Turning a picture decision into the 32 x 32 picture a slot shows.
//
// On a HiDPI screen (ratio > 1) the picture is made at the device pixels that cover 32
// logical ones and carries the ratio: icons and pictures from files are taken at that
// size; the program's own pixel-art bitmaps are enlarged by whole pixels, never blurred.
// At ratio 1 every picture is as it always was.
#include "launcher/EntryRules.h"

#include <QColor>
#include <QImage>

namespace launcher {

// Fills work (a 32 x 32 logical image) with the button face colour, draws icon at its
// top-left corner and gives back a copy: what the slot image then shows. An icon of the
// work image's device size is drawn pixel for pixel; any other at its own size in
// logical pixels, enlarged by whole pixels.
QImage DrawIconOnFace(QImage& work, const QImage& icon, const QColor& face, qreal ratio = 1.0);

// The slot's picture for a decision, composed on work where the decision is an icon.
// A bitmap or icon file that cannot be read raises EZelmoError.
QImage SlotPicture(const PictureChoice& choice, QImage& work, const QColor& face,
                   qreal ratio = 1.0);

// The text of that error.
QString UnreadablePictureText(const QString& path);

} // namespace launcher

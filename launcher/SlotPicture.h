#pragma once
// Turning a picture decision into the 32 x 32 picture a slot shows.
#include "launcher/EntryRules.h"

#include <QColor>
#include <QImage>

namespace launcher {

// Fills work (a 32 x 32 image) with the button face colour, draws icon at its top-left
// corner and gives back a copy: what the slot image then shows.
QImage DrawIconOnFace(QImage& work, const QImage& icon, const QColor& face);

// The slot's picture for a decision, composed on work where the decision is an icon.
// A bitmap or icon file that cannot be read raises EZelmoError.
QImage SlotPicture(const PictureChoice& choice, QImage& work, const QColor& face);

// The text of that error.
QString UnreadablePictureText(const QString& path);

} // namespace launcher

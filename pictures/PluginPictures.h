#pragma once
// Pictures that the image plug-ins decode: GIF through "ifgif.spi", JPEG through
// "ifJpeg.spi". The plug-ins are located and bound once at start-up and released at
// shutdown; until then, or when a plug-in is missing, no picture is made.
#include <QString>

class QPixmap;

namespace pictures {

// Whether a file goes to a plug-in, by its extension compared upper-cased: ".GIF" to
// the GIF plug-in; ".JPG", ".JPEG" and ".JPE" to the JPEG plug-in.
bool IsPluginPicture(const QString& path);

// Fills bitmap from a GIF or JPEG file through its plug-in. False, with the bitmap
// unchanged, when no picture can be made (other extension, plug-in missing, the
// plug-in's error); never a message.
bool LoadPictureThroughPlugin(const QString& path, QPixmap& bitmap);

} // namespace pictures

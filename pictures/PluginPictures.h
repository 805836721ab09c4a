#pragma once
// Pictures that the image plug-ins decode: GIF through "ifgif.spi", JPEG through
// "ifJpeg.spi". The plug-ins are located and bound once at start-up and released at
// shutdown; until then, or when a plug-in is missing, no picture is made.
#include <QString>
#include <QStringList>

class QImage;
class QPixmap;

namespace pictures {

struct Picture;
struct PictureRequest;

// Whether a file goes to a plug-in, by its extension compared upper-cased: ".GIF" to
// the GIF plug-in; ".JPG", ".JPEG" and ".JPE" to the JPEG plug-in.
bool IsPluginPicture(const QString& path);

// Fills bitmap from a GIF or JPEG file through its plug-in. False, with the bitmap
// unchanged, when no picture can be made (other extension, plug-in missing, the
// plug-in's error); never a message.
bool LoadPictureThroughPlugin(const QString& path, QPixmap& bitmap);
// The same into an image, which any thread may use.
bool LoadImageThroughPlugin(const QString& path, QImage& image);
// The picture of a GIF or JPEG file at the request, through the plug-in's scaled entry,
// or through GetPicture and reduced here for a plug-in without one. The way in for the
// picture service (PictureService.h); callable from any thread while the plug-ins are
// bound (bind and release with no picture being made).
Picture PictureThroughPlugin(const QString& path, const PictureRequest& request);

// The folders searched for the plug-ins, in order: the program's own folder, the
// per-user plug-in folder, the installed program's library folder, the system library
// folder. Never the process's current directory: code is not taken from wherever the
// program happens to be started.
QStringList PluginCandidateFolders();

struct PluginPaths {
    QString Gif;  // full path of "ifgif.spi", or empty when not found
    QString Jpeg; // full path of "ifJpeg.spi", or empty when not found
};
// Each plug-in's path in the first folder that holds it (empty folders are skipped).
PluginPaths LocatePlugins(const QStringList& folders);

// Loads the plug-ins at the given paths and looks up their entries, replacing an earlier
// binding. An empty path, a module that does not load or lacks "GetPicture" leaves that
// plug-in unusable, without a message. A plug-in outside the program's own folders is
// called one call at a time.
void BindPlugins(const PluginPaths& paths);
// Releases both plug-ins.
void ReleasePlugins();
// Whether each plug-in's module is loaded (what the information window shows).
bool GifPluginLoaded();
bool JpegPluginLoaded();

} // namespace pictures

#pragma once
// The one place where a file becomes something to show: the kind of a file by its
// extension; BMP files read here, GIF and JPEG through the image plug-ins (at a reduced
// size when one is asked for), icon files and every other file as their icon. The file
// list's painter, the selection image and the preview all ask here.
//
// Pictures (LoadPicture) may be made on any thread, several at once: the results are
// QImages (never QPixmaps), our own plug-ins decode concurrently, and a plug-in of
// unknown origin (one found outside the program's own folders) gets one call at a time.
// Icons (FileIcon, LoadFileImage of a file that is no picture) come from the desktop's
// icon theme as well: ask for them on the window's thread.
#include "platform/IconExtract.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>

namespace pictures {

// What a file is by its whole extension, compared upper-cased (".PNG" is Other).
enum class FileKind {
    IconFile,    // ".ICO"
    Bitmap,      // ".BMP"
    Gif,         // ".GIF"
    Jpeg,        // ".JPG", ".JPEG", ".JPE"
    IconBearing, // ".EXE", ".DLL", ".SCR", ".HLP", ".OCX", ".VBX", ".CPL", ".DRV",
                 // ".SYS", ".LNK", ".CUR", ".ANI"
    Other,
};
FileKind KindOf(const QString& path);
// Bitmap, Gif and Jpeg: the kinds shown as a picture with its pixel size.
bool IsPictureKind(FileKind kind);

// The most a decoded picture may take (bytes of its QImage), the limit the program also
// sets for the toolkit's own image readers. A picture past it is not made.
constexpr qsizetype kMaxImageBytes = qsizetype(256) * 1024 * 1024;

// How a requested size bounds a picture. A picture is reduced, never enlarged.
enum class Fit {
    EachSide,   // each side on its own: min(own width, max width) x min(own height, max height)
    KeepAspect, // the largest size of the picture's own proportions within the box
};

// The size a picture of size own is reduced to for maxSize (an empty one: own) and fit.
QSize ReducedSize(QSize own, QSize maxSize, Fit fit);
// The image reduced so (smoothly); the image itself when it already fits.
QImage Reduced(const QImage& image, QSize maxSize, Fit fit);

// The device pixels a logical size covers on a screen of that pixel ratio: each side
// rounded up, so a picture made at this size is drawn without a second resampling.
QSize DeviceSize(QSize logical, qreal ratio);

struct PictureRequest {
    QSize maxSize; // no larger than this; an empty size: the picture's own size
    Fit fit = Fit::EachSide;
    // Set (from any thread) when the picture is no longer wanted: the decoding stops
    // early and no picture is made.
    const std::atomic<bool>* cancel = nullptr;
    // The screen's device pixel ratio: maxSize is in logical pixels, the picture is made
    // at up to DeviceSize(maxSize) device pixels and carries the ratio, so drawn into a
    // logical rectangle it shows the screen's detail. Icons are taken at the size that
    // covers 32 logical pixels.
    qreal deviceRatio = 1.0;
};

struct Picture {
    QImage image;     // null when no picture can be made
    QSize size{0, 0}; // the picture's own pixel size; 0x0 whenever image is null
};

// The picture of a BMP, GIF or JPEG file. A BMP is read only when the file holds every
// pixel row its header implies (for run-length coded ones: up to the end marker); a
// truncated or slightly damaged JPEG gives what the decoder makes of it (the missing part
// grey). A missing plug-in, an unreadable file, a picture past the limits or any other
// kind give no picture; never a message.
Picture LoadPicture(const QString& path, const PictureRequest& request = {});
inline Picture LoadPicture(const QString& path, QSize maxSize, Fit fit = Fit::EachSide) {
    return LoadPicture(path, PictureRequest{maxSize, fit});
}

// The icon of a file as a list item shows it: a shortcut (".LNK") gives its target's
// icon, or its own when the target cannot be found.
platform::ExtractedIcon FileIcon(const QString& path);

// What the preview and the selection image show for any file.
enum class ShownAs {
    Picture,      // a BMP, GIF or JPEG file (image may be null: unreadable, no plug-in)
    Icon,         // an icon file, or a file's icon (image null when the file holds none)
    NoIconSource, // the file is no source of icons: nothing is shown
};
struct FileImage {
    ShownAs shownAs = ShownAs::NoIconSource;
    QImage image;     // null when there is nothing to draw
    QSize size{0, 0}; // the picture's own pixel size (pictures), else image's size
};
// Pictures by LoadPicture at the request; an icon file its own icon (an unreadable one
// nothing); any other file its icon through FileIcon.
FileImage LoadFileImage(const QString& path, const PictureRequest& request = {});

} // namespace pictures

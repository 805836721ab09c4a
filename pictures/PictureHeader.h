#pragma once
// The pixel size a picture file declares in its first bytes, read without decoding it, so
// an item can show its size text while the picture itself is still being decoded. The
// format is told by the file's signature: BMP ("BM"), GIF ("GIF87a"/"GIF89a"), JPEG (SOI).
#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>

namespace pictures {

struct HeaderScan {
    enum Outcome { Size, NeedMore, Unreadable } outcome = Unreadable;
    QSize size;           // for Size
    qsizetype needed = 0; // for NeedMore: the bytes from the start that would answer
};

// Reads the size from the first bytes of a file. GIF: the logical screen, widened to the
// first frame when that reaches beyond it (as the GIF plug-in draws it). JPEG: the first
// frame header (SOF0-SOF15). BMP: the info header (the height's sign is the row order).
HeaderScan ScanPictureHeader(const QByteArray& head);

// The size a picture file's header declares; nothing when the file cannot be read or its
// header is not one of the three formats. Reads only as far as the header goes.
std::optional<QSize> ReadPictureHeaderSize(const QString& path);

} // namespace pictures

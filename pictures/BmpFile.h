#pragma once
// BMP files read only when whole: the file must hold every pixel row its header implies
// (run-length coded ones: up to the end marker), so a cut file never shows memory that
// was never written. No widgets: only bytes and images.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace pictures {

// How many leading bytes of the BMP file in bytes hold its picture: for uncompressed
// rows the data offset plus every row, for run-length coding up to the end of the end
// marker. Nothing when bytes is no BMP, is cut short, or its image would take more than
// maxImageBytes.
std::optional<qsizetype> BmpExtent(const QByteArray& bytes, qsizetype maxImageBytes);

// The picture of a BMP file in memory; null when BmpExtent refuses it or the toolkit's
// reader cannot read it.
QImage ImageFromBmp(const QByteArray& bytes, qsizetype maxImageBytes);

// The picture of a BMP file, reading no more of it than the picture needs; null as above
// and when the file cannot be read (a FIFO or device is not waited on).
QImage ReadBmpFile(const QString& path, qsizetype maxImageBytes);

} // namespace pictures

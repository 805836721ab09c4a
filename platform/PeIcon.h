#pragma once
// Icons inside Windows programs and libraries (PE files) and icon files. Every offset
// and size read from the file is checked against the file before use, so a damaged
// file gives nothing rather than a crash or a read past its end.
#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <cstdint>
#include <optional>
#include <utility>

namespace platform {

// The first icon group of the file's resources, its image closest to size x size (above
// 32, the smallest that covers it; deepest colours among equals), as a one-image icon
// file. Nothing when the file is not a PE file, has no icon group, or is damaged.
std::optional<QByteArray> iconFileFromPe(QByteArrayView file, int size = 32);

// File offset and size of the section holding the resources, read from the file's
// first bytes (its headers); nothing when they do not describe one.
std::optional<std::pair<uint64_t, uint64_t>> peResourceSection(QByteArrayView headers);

// The image of an icon or cursor file closest to size x size (above 32, the smallest that
// covers it); null when it has none that can be decoded.
QImage bestIconImage(const QByteArray& iconFile, int size = 32);

} // namespace platform

// libFuzzer target: the input split into an info block and a bits block (the first two
// bytes give the info block's length), made into a BMP file and read by Qt's BMP reader,
// and made straight into an image, which must refuse alike and hold the same pixels.
#include "pictures/DibBitmap.h"

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const size_t infoSize = std::min<size_t>(size - 2, data[0] | size_t(data[1]) << 8);
    // Blocks of their own, so AddressSanitizer sees any read past either.
    auto* info = static_cast<uint8_t*>(std::malloc(infoSize ? infoSize : 1));
    auto* bits = static_cast<uint8_t*>(std::malloc(size - 2 - infoSize + 1));
    std::memcpy(info, data + 2, infoSize);
    std::memcpy(bits, data + 2 + infoSize, size - 2 - infoSize);
    const QByteArray file = pictures::BitmapFromDib(info, infoSize, bits, size - 2 - infoSize);
    const QImage direct =
        pictures::ImageFromDib(info, infoSize, bits, size - 2 - infoSize, 256 * 1024 * 1024);
    if (file.isEmpty() != direct.isNull())
        std::abort();
    if (!file.isEmpty()) {
        uint32_t offset = 0, fileSize = 0;
        std::memcpy(&fileSize, file.constData() + 2, 4);
        std::memcpy(&offset, file.constData() + 10, 4);
        if (fileSize != uint32_t(file.size()) || offset > fileSize)
            std::abort();
        QImage image;
        if (image.loadFromData(file, "BMP") &&
            (image.size() != direct.size() || image.convertToFormat(QImage::Format_RGB32) !=
                                                  direct.convertToFormat(QImage::Format_RGB32)))
            std::abort();
    }
    std::free(info);
    std::free(bits);
    return 0;
}

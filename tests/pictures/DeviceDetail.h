#pragma once
// Whether a picture drawn at device pixel ratio 2 shows detail at device resolution or
// was made at logical size and doubled (every 2 x 2 block one colour).
#include "tests/pictures/TwoSizeIcon.h"

#include <QImage>
#include <QRect>
#include <algorithm>
#include <cstdlib>

namespace testpics {

// The share of the 2 x 2 blocks of device pixels in r (logical) that are not one colour.
inline double detailIn(const QImage& image, const QRect& r) {
    int blocks = 0, mixed = 0;
    for (int y = r.top() * 2 + 2; y + 1 < (r.bottom() + 1) * 2 - 2; y += 2)
        for (int x = r.left() * 2 + 2; x + 1 < (r.right() + 1) * 2 - 2; x += 2) {
            const QRgb c = image.pixel(x, y);
            int far = 0;
            for (const QRgb o :
                 {image.pixel(x + 1, y), image.pixel(x, y + 1), image.pixel(x + 1, y + 1)})
                far = std::max({far, std::abs(qGray(o) - qGray(c))});
            ++blocks;
            mixed += far > 64;
        }
    return blocks ? double(mixed) / blocks : 0.0;
}

// A picture of size checked pixel by pixel in ink and paper.
inline QImage checkedImage(QSize size) {
    QImage checked(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            checked.setPixel(x, y, ink(x, y) ? kInk : kPaper);
    return checked;
}

} // namespace testpics

#pragma once
// An icon file of two sizes for the HiDPI tests: which of them a picture was made from
// shows in its pixels.
#include <QByteArray>
#include <QRgb>

namespace testpics {

constexpr QRgb kInk = 0xff000000;
constexpr QRgb kPaper = 0xffffffff;

inline bool ink(int x, int y) {
    return (x + y) % 2 == 0;
}

// An icon file of two images, 32 x 32 of one colour and 64 x 64 checked pixel by pixel,
// each a 32-bit DIB with its mask.
inline QByteArray twoSizeIcon() {
    const auto dib = [](int side) {
        QByteArray d;
        const auto put = [&d](quint32 v, int bytes) {
            for (int i = 0; i < bytes; ++i)
                d += char((v >> (8 * i)) & 0xff);
        };
        put(40, 4), put(quint32(side), 4), put(quint32(side * 2), 4), put(1, 2), put(32, 2);
        put(0, 4), put(0, 4), put(0, 4), put(0, 4), put(0, 4), put(0, 4);
        for (int y = side - 1; y >= 0; --y)
            for (int x = 0; x < side; ++x)
                put(side == 32 ? 0xff808080u : (ink(x, y) ? kInk : kPaper), 4);
        d += QByteArray(side * ((side + 31) / 32 * 4), '\0'); // mask: all shown
        return d;
    };
    const QByteArray small = dib(32), large = dib(64);
    QByteArray ico("\0\0\1\0\2\0", 6);
    quint32 offset = 6 + 2 * 16;
    for (const QByteArray* image : {&small, &large}) {
        const int side = image == &small ? 32 : 64;
        QByteArray e(16, '\0');
        e[0] = char(side), e[1] = char(side), e[4] = 1, e[6] = 32;
        for (int i = 0; i < 4; ++i) {
            e[8 + i] = char((quint32(image->size()) >> (8 * i)) & 0xff);
            e[12 + i] = char((offset >> (8 * i)) & 0xff);
        }
        ico += e;
        offset += quint32(image->size());
    }
    return ico + small + large;
}

} // namespace testpics

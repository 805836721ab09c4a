// The JPEG plug-in's thumbnail decoder from DC coefficients: over JPEGs of every sampling,
// odd sizes, restart intervals and qualities, its 1/8 picture against the library's own
// 1/8 decoding; files it must leave to the library, and that the plug-in then gives the
// library's picture byte for byte.
#include "outside/ifjpeg/DcScan.h"
#include "tests/pictures/PictureMaker.h"
#include "tests/pictures/PluginHarness.h"

#include <QTemporaryDir>
#include <csetjmp>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

using testpics::JpegCoding;
using testpics::JpegKind;

namespace {

// A photo-like picture: gradients, a few discs, grain; 3 samples a pixel, or 1 for grey.
QList<uchar> photo(int width, int height, int channels, quint32 seed) {
    QList<uchar> out;
    out.reserve(qsizetype(width) * height * channels);
    quint32 state = seed * 2654435761u + 1;
    auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return int(state >> 27) - 16;
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                int v = (x * (60 + 50 * c)) / (width + 1) + (y * (200 - 60 * c)) / (height + 1);
                const int dx = x - width / 3, dy = y - height / 2;
                if (dx * dx + dy * dy < (width * width) / 25)
                    v = 255 - v / 2 - 40 * c;
                out.append(uchar(std::clamp(v + noise(), 0, 255)));
            }
    return out;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<uchar> bgr; // rows top first
};

struct QuietError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void quietEmit(j_common_ptr, int) {}
void quietOutput(j_common_ptr) {}
[[noreturn]] void jumpOut(j_common_ptr c) {
    std::longjmp(reinterpret_cast<QuietError*>(c->err)->jump, 1);
}

struct Collector {
    Picture* picture;
};
void collectRow(void* context, const unsigned char* bgr, unsigned y) {
    Picture* p = static_cast<Collector*>(context)->picture;
    std::copy(bgr, bgr + 3 * p->width, p->bgr.begin() + 3 * std::size_t(p->width) * y);
}

// The library's reading of the header, then either the fast decoder (fast) or the
// library at 1/8, as the plug-in asks it. The fast decoder's answer goes to *status.
bool decodeEighth(const QByteArray& file, bool fast, Picture* out, int* status) {
    jpeg_decompress_struct c{};
    QuietError err{};
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = jumpOut;
    err.pub.emit_message = quietEmit;
    err.pub.output_message = quietOutput;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&c);
        return false;
    }
    jpeg_create_decompress(&c);
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.constData());
    jpeg_mem_src(&c, bytes, static_cast<unsigned long>(file.size()));
    jpeg_read_header(&c, TRUE);
    out->width = int((c.image_width + 7) / 8);
    out->height = int((c.image_height + 7) / 8);
    out->bgr.assign(std::size_t(out->width) * out->height * 3, 0);
    if (fast) {
        Collector collector{out};
        const std::size_t at = std::size_t(c.src->next_input_byte - bytes);
        *status = dc_scan_decode(&c, bytes + at, std::size_t(file.size()) - at, collectRow, nullptr,
                                 &collector);
    } else {
        c.scale_num = 1;
        c.scale_denom = 8;
        const bool cmyk = c.jpeg_color_space == JCS_CMYK;
        c.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
        jpeg_start_decompress(&c);
        std::vector<uchar> four(std::size_t(out->width) * 4);
        while (c.output_scanline < c.output_height) {
            uchar* bgr = out->bgr.data() + 3 * std::size_t(out->width) * c.output_scanline;
            JSAMPROW row = cmyk ? four.data() : bgr;
            jpeg_read_scanlines(&c, &row, 1);
            // Adobe's inverted CMYK, as the plug-in turns it into blue, green, red.
            for (int x = 0; cmyk && x < out->width; ++x)
                for (int i = 0; i < 3; ++i)
                    bgr[3 * x + i] = uchar((four[4 * x + 2 - i] * four[4 * x + 3] + 127) / 255);
        }
    }
    jpeg_destroy_decompress(&c);
    return true;
}

struct Difference {
    double meanPerChannel[3] = {0, 0, 0};
    double meanLuma = 0; // of 0.299 R + 0.587 G + 0.114 B
    int largest = 0;
};

Difference compare(const Picture& a, const Picture& b) {
    Difference d;
    const std::size_t n = a.bgr.size() / 3;
    for (std::size_t i = 0; i < n; ++i) {
        double luma = 0;
        for (int c = 0; c < 3; ++c) {
            const int diff = int(a.bgr[3 * i + c]) - int(b.bgr[3 * i + c]);
            d.meanPerChannel[c] += std::abs(diff);
            d.largest = std::max(d.largest, std::abs(diff));
            luma += diff * (c == 0 ? 0.114 : c == 1 ? 0.587 : 0.299);
        }
        d.meanLuma += std::abs(luma);
    }
    for (double& m : d.meanPerChannel)
        m /= double(n);
    d.meanLuma /= double(n);
    return d;
}

// The plug-in's thumbnail of exactly 1/8 (no averaging after the decoder), from a file.
Picture pluginEighth(const QByteArray& file, int width, int height) {
    static testpics::PluginHarness plugin{QStringLiteral(ZELMO_JPEG_SPI)};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.jpg"));
    EXPECT_TRUE(testpics::writeFile(path, file));
    const testpics::Decoded d = plugin.fromFileScaled(path, (width + 7) / 8, (height + 7) / 8);
    Picture p;
    EXPECT_EQ(d.result, SPI_OK);
    if (d.result != SPI_OK)
        return p;
    p.width = d.width();
    p.height = d.height();
    p.bgr.resize(std::size_t(p.width) * p.height * 3);
    const auto* bits = reinterpret_cast<const uchar*>(d.bits.constData());
    for (int y = 0; y < p.height; ++y)
        std::copy(bits + std::size_t(p.height - 1 - y) * d.stride(),
                  bits + std::size_t(p.height - 1 - y) * d.stride() + 3 * p.width,
                  p.bgr.begin() + 3 * std::size_t(p.width) * y);
    return p;
}

// Damage done to a good file before it is decoded.
enum class Damage { None, Cut, BadCode, WrongRestart };

QByteArray damaged(QByteArray file, Damage damage) {
    const qsizetype scan = file.indexOf(QByteArray("\xff\xda", 2));
    switch (damage) {
    case Damage::None:
        break;
    case Damage::Cut:
        file.truncate(scan + (file.size() - scan) * 3 / 5);
        break;
    case Damage::BadCode: {
        // 64 one bits: no table of a valid file holds a code of 16 ones.
        const QByteArray ones = QByteArray("\xff\x00", 2).repeated(8);
        file.replace(scan + (file.size() - scan) / 2, ones.size(), ones);
        break;
    }
    case Damage::WrongRestart: {
        const qsizetype rst = file.indexOf(QByteArray("\xff\xd2", 2), scan);
        EXPECT_GT(rst, 0);
        file[rst + 1] = char(0xd5);
        break;
    }
    }
    return file;
}

struct Case {
    const char* name;
    int width, height;
    JpegKind kind;
    JpegCoding coding;
    Damage damage;
    bool taken;       // the fast decoder decodes it
    double meanBound; // per channel, against the library; 0: identical
    int largestBound;
};

JpegCoding coded(int quality, int lumaH, int lumaV, int restartMcus = 0) {
    JpegCoding c;
    c.quality = quality;
    c.lumaH = lumaH;
    c.lumaV = lumaV;
    c.restartMcus = restartMcus;
    return c;
}

JpegCoding with(JpegCoding c, bool progressive, bool arithmetic, bool optimized) {
    c.progressive = progressive;
    c.arithmetic = arithmetic;
    c.optimized = optimized;
    return c;
}

TEST(DcScanTest, ThumbnailsFromDcMatchTheLibrarysEighthOrFallBack) {
    const JpegKind grey = JpegKind::Grey, colour = JpegKind::Colour;
    // 4:2:0: the library decodes chroma at 2 x 2 from its AC coefficients, this decoder
    // takes the blocks' means; everything else is the library's arithmetic exactly.
    const double chroma = 3.5;
    const int chromaPixel = 48;
    // The pictures' grain (a chroma that changes from pixel to pixel) is the worst case for
    // this: real photos differ by 0.1 on average. On a picture of a few blocks the disc's
    // edge dominates. Brightness stays the library's either way.
    const double tiny = 16;
    const Case cases[] = {
        {"grey 1x1", 1, 1, grey, coded(90, 1, 1), Damage::None, true, 0, 0},
        {"grey 17x9", 17, 9, grey, coded(50, 1, 1), Damage::None, true, 0, 0},
        {"grey 1921x1081 restarts", 1921, 1081, grey, coded(100, 1, 1, 7), Damage::None, true, 0,
         0},
        {"grey sampled 2x2", 203, 77, grey, coded(90, 2, 2), Damage::None, true, 0, 0},
        {"4:4:4 17x9", 17, 9, colour, coded(90, 1, 1), Damage::None, true, 0, 0},
        {"4:4:4 1921x1081 q100", 1921, 1081, colour, coded(100, 1, 1), Damage::None, true, 0, 0},
        {"4:4:4 restarts q50", 333, 250, colour, coded(50, 1, 1, 5), Damage::None, true, 0, 0},
        {"4:4:4 own tables", 640, 480, colour, with(coded(100, 1, 1), false, false, true),
         Damage::None, true, 0, 0},
        {"4:2:2 17x9", 17, 9, colour, coded(90, 2, 1), Damage::None, true, 0, 0},
        {"4:2:2 1921x1081 restarts", 1921, 1081, colour, coded(90, 2, 1, 11), Damage::None, true, 0,
         0},
        {"4:4:0 101x67", 101, 67, colour, coded(75, 1, 2), Damage::None, true, 0, 0},
        {"4:2:0 1x1", 1, 1, colour, coded(90, 2, 2), Damage::None, true, tiny, chromaPixel},
        {"4:2:0 17x9", 17, 9, colour, coded(90, 2, 2), Damage::None, true, tiny, chromaPixel},
        {"4:2:0 1921x1081 q50 restarts", 1921, 1081, colour, coded(50, 2, 2, 1), Damage::None, true,
         chroma, chromaPixel},
        {"4:2:0 1920x1080 q100", 1920, 1080, colour, coded(100, 2, 2), Damage::None, true, chroma,
         chromaPixel},
        {"progressive", 640, 480, colour, with(coded(90, 2, 2), true, false, false), Damage::None,
         false, 0, 0},
        {"arithmetic", 640, 480, colour, with(coded(90, 2, 2), false, true, false), Damage::None,
         false, 0, 0},
        {"CMYK", 64, 48, JpegKind::CmykAdobe, coded(90, 1, 1), Damage::None, false, 0, 0},
        {"cut", 640, 480, colour, coded(90, 2, 2), Damage::Cut, false, 0, 0},
        {"grey cut", 333, 250, grey, coded(90, 1, 1), Damage::Cut, false, 0, 0},
        {"bad Huffman code", 640, 480, colour, coded(90, 1, 1), Damage::BadCode, false, 0, 0},
        {"restart out of order", 640, 480, colour, coded(90, 2, 1, 4), Damage::WrongRestart, false,
         0, 0},
    };
    quint32 seed = 1;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const int channels = k.kind == grey ? 1 : k.kind == colour ? 3 : 4;
        const QByteArray file =
            damaged(testpics::makeJpeg(k.width, k.height, k.kind,
                                       photo(k.width, k.height, channels, ++seed), k.coding),
                    k.damage);
        Picture fast, library;
        int status = -1;
        ASSERT_TRUE(decodeEighth(file, true, &fast, &status));
        ASSERT_TRUE(decodeEighth(file, false, &library, &status));
        EXPECT_EQ(status, k.taken ? DC_SCAN_DONE : DC_SCAN_DECLINED);
        if (k.taken) {
            const Difference d = compare(fast, library);
            for (double m : d.meanPerChannel)
                EXPECT_LE(m, k.meanBound);
            EXPECT_LE(d.largest, k.largestBound);
            EXPECT_LE(d.meanLuma, k.meanBound > 0 ? 1.0 : 0.0);
        }
        // Through the plug-in, on a file: the fast decoder's picture, or the library's.
        if (k.width > 1) {
            const Picture plugin = pluginEighth(file, k.width, k.height);
            ASSERT_EQ(plugin.width, library.width);
            ASSERT_EQ(plugin.height, library.height);
            if (k.taken)
                EXPECT_EQ(plugin.bgr, fast.bgr);
            else
                EXPECT_EQ(plugin.bgr, library.bgr);
        }
    }
}

struct Counts {
    int rows = 0, asked = 0, cancelAt = -1;
};

TEST(DcScanTest, CancellingStopsBeforeAnyRow) {
    const QByteArray file =
        testpics::makeJpeg(320, 240, JpegKind::Colour, photo(320, 240, 3, 7), coded(90, 2, 2, 3));
    jpeg_decompress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.constData());
    jpeg_mem_src(&c, bytes, static_cast<unsigned long>(file.size()));
    ASSERT_EQ(jpeg_read_header(&c, TRUE), JPEG_HEADER_OK);
    const std::size_t at = std::size_t(c.src->next_input_byte - bytes);
    auto countRow = [](void* context, const unsigned char*, unsigned) {
        ++static_cast<Counts*>(context)->rows;
    };
    auto progress = [](void* context, unsigned done, unsigned total) {
        auto* k = static_cast<Counts*>(context);
        EXPECT_EQ(done, unsigned(k->asked));
        EXPECT_EQ(total, 15u); // 240 rows in MCUs of 16
        return int(k->asked++ == k->cancelAt);
    };
    for (int cancelAt : {0, 2, 14, -1}) {
        Counts k;
        k.cancelAt = cancelAt;
        EXPECT_EQ(
            dc_scan_decode(&c, bytes + at, std::size_t(file.size()) - at, countRow, progress, &k),
            cancelAt < 0 ? DC_SCAN_DONE : DC_SCAN_CANCELLED);
        EXPECT_EQ(k.asked, cancelAt < 0 ? 15 : cancelAt + 1);
        EXPECT_EQ(k.rows, cancelAt < 0 ? 30 : 0);
    }
    jpeg_destroy_decompress(&c);
}

} // namespace

// The picture service on every kind of file, whole BMPs only, cut JPEGs in part, the
// plug-ins' scaled entry against GetPicture, a plug-in without that entry, and a GIF whose
// screen is as large as the limits allow.
#include "pictures/PictureService.h"
#include "pictures/PluginPictures.h"
#include "tests/browser/TestPictures.h"
#include "tests/pictures/PictureMaker.h"
#include "tests/pictures/PluginHarness.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using pictures::FileKind;
using pictures::Fit;
using testpics::GifFrame;
using testpics::JpegKind;

namespace {

const QString kGif = QStringLiteral(ZELMO_GIF_SPI);
const QString kJpeg = QStringLiteral(ZELMO_JPEG_SPI);
const QList<QRgb> kFour = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(10, 20, 30)};

// A width x height picture: the left half red, the right half blue.
QList<uchar> halves(int width, int height) {
    QList<uchar> samples;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            samples << (x < width / 2 ? 255 : 0) << 0 << (x < width / 2 ? 0 : 255);
    return samples;
}

GifFrame halvesFrame(int width, int height) {
    GifFrame f{0, 0, width, height, false, -1, {}, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            f.pixels << uchar(x < width / 2 ? 0 : 2);
    return f;
}

bool near(QRgb a, QRgb b, int tolerance = 24) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// An 8-bit run-length coded BMP of 4 x 2: the bottom row index 1, the top row index 2;
// with or without its end marker.
QByteArray rleBitmap(bool withEnd) {
    QByteArray rows("\x04\x01\x00\x00\x04\x02", 6);
    if (withEnd)
        rows += QByteArray("\x00\x01", 2);
    QByteArray table(256 * 4, '\0');
    table[4 + 2] = char(255); // 1: red
    table[8 + 1] = char(255); // 2: green
    QByteArray header(54, '\0');
    auto put32 = [&](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = char(v >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, quint32(54 + table.size() + rows.size()));
    put32(10, quint32(54 + table.size()));
    put32(14, 40);
    put32(18, 4);
    put32(22, 2);
    header[26] = 1;
    header[28] = 8;
    put32(30, 1); // run-length coded, 8 bits
    put32(34, quint32(rows.size()));
    return header + table + rows;
}

class PictureServiceTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QString write(const char* name, const QByteArray& bytes) const {
        EXPECT_TRUE(testpics::writeFile(path(name), bytes));
        return path(name);
    }
    void SetUp() override { pictures::BindPlugins({kGif, kJpeg}); }
    void TearDown() override { pictures::ReleasePlugins(); }
};

} // namespace

TEST_F(PictureServiceTest, KindsFollowTheWholeExtensionUpperCased) {
    const struct {
        const char* name;
        FileKind kind;
    } cases[] = {{"a.ico", FileKind::IconFile},    {"a.BMP", FileKind::Bitmap},
                 {"a.Gif", FileKind::Gif},         {"a.jpg", FileKind::Jpeg},
                 {"a.JPEG", FileKind::Jpeg},       {"a.Jpe", FileKind::Jpeg},
                 {"a.exe", FileKind::IconBearing}, {"a.LNK", FileKind::IconBearing},
                 {"a.ani", FileKind::IconBearing}, {"a.PNG", FileKind::Other},
                 {"a.jpgx", FileKind::Other},      {"a.d/jpg", FileKind::Other},
                 {"gif", FileKind::Other},         {"a.txt", FileKind::Other}};
    for (const auto& c : cases) {
        EXPECT_EQ(pictures::KindOf(QString::fromUtf8(c.name)), c.kind) << c.name;
        EXPECT_EQ(pictures::IsPictureKind(c.kind), c.kind == FileKind::Bitmap ||
                                                       c.kind == FileKind::Gif ||
                                                       c.kind == FileKind::Jpeg);
    }
}

TEST_F(PictureServiceTest, EveryKindOfFileGivesWhatItShows) {
    using testpictures::encoded;
    using testpictures::filled;
    write("a.bmp", encoded(filled(5, 3, qRgb(0, 255, 0)), "BMP"));
    write("a.GIF", testpics::makeGif(6, 4, kFour, {halvesFrame(6, 4)}));
    write("a.jpe", testpics::makeJpeg(8, 4, JpegKind::Colour, halves(8, 4)));
    write("a.ico", encoded(filled(16, 16, qRgb(0, 0, 255)), "ICO"));
    write("a.png", encoded(filled(4, 4, qRgb(0, 0, 255)), "PNG"));
    write("a.txt", "text");
    ASSERT_EQ(::symlink("a.ico", QFile::encodeName(path("a.lnk")).constData()), 0);
    const struct {
        const char* name;
        pictures::ShownAs shownAs;
        QSize size;
        QRgb topLeft;
    } cases[] = {
        {"a.bmp", pictures::ShownAs::Picture, {5, 3}, qRgb(0, 255, 0)},
        {"a.GIF", pictures::ShownAs::Picture, {6, 4}, qRgb(255, 0, 0)},
        {"a.jpe", pictures::ShownAs::Picture, {8, 4}, qRgb(255, 0, 0)},
        {"a.ico", pictures::ShownAs::Icon, {16, 16}, qRgb(0, 0, 255)},
        {"a.lnk", pictures::ShownAs::Icon, {16, 16}, qRgb(0, 0, 255)}, // the target's icon
        {"a.png", pictures::ShownAs::NoIconSource, {0, 0}, 0},         // no picture kind
        {"a.txt", pictures::ShownAs::NoIconSource, {0, 0}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const pictures::FileImage shown = pictures::LoadFileImage(path(c.name));
        EXPECT_EQ(shown.shownAs, c.shownAs);
        EXPECT_EQ(shown.size, c.size);
        if (c.size.isEmpty()) {
            EXPECT_TRUE(shown.image.isNull());
            continue;
        }
        ASSERT_FALSE(shown.image.isNull());
        EXPECT_TRUE(near(shown.image.pixel(0, 0), c.topLeft))
            << std::hex << shown.image.pixel(0, 0);
        // Pictures alone come from LoadPicture; icons and other files give none there.
        const pictures::Picture picture = pictures::LoadPicture(path(c.name));
        EXPECT_EQ(picture.image.isNull(), c.shownAs != pictures::ShownAs::Picture);
    }
    EXPECT_TRUE(pictures::LoadPicture(path("a.png")).size.isEmpty());

    // Without the plug-ins GIF and JPEG are empty pictures; BMP is still read.
    pictures::ReleasePlugins();
    EXPECT_TRUE(pictures::LoadPicture(path("a.GIF")).image.isNull());
    EXPECT_EQ(pictures::LoadFileImage(path("a.jpe")).shownAs, pictures::ShownAs::Picture);
    EXPECT_EQ(pictures::LoadPicture(path("a.bmp")).size, QSize(5, 3));
}

TEST_F(PictureServiceTest, BitmapsAreReadOnlyWhenTheFileHoldsEveryRow) {
    const QByteArray bmp = testpictures::encoded(testpictures::filled(5, 3, qRgb(1, 2, 3)), "BMP");
    write("whole.bmp", bmp);
    write("cut.bmp", bmp.left(bmp.size() - 1));
    write("header.bmp", bmp.left(54));
    write("rle.bmp", rleBitmap(true));
    write("rle-cut.bmp", rleBitmap(false));
    EXPECT_EQ(pictures::LoadPicture(path("whole.bmp")).size, QSize(5, 3));
    for (const char* name : {"cut.bmp", "header.bmp", "rle-cut.bmp"}) {
        const pictures::Picture p = pictures::LoadPicture(path(name));
        EXPECT_TRUE(p.image.isNull()) << name;
        EXPECT_EQ(p.size, QSize(0, 0)) << name;
    }
    const pictures::Picture rle = pictures::LoadPicture(path("rle.bmp"));
    ASSERT_EQ(rle.size, QSize(4, 2));
    EXPECT_EQ(rle.image.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(rle.image.pixel(3, 1), qRgb(255, 0, 0));
    // Reduced on request, its own size kept.
    const pictures::Picture small = pictures::LoadPicture(path("whole.bmp"), QSize(2, 2));
    EXPECT_EQ(small.image.size(), QSize(2, 2));
    EXPECT_EQ(small.size, QSize(5, 3));
}

TEST_F(PictureServiceTest, ACutJpegGivesItsTopRowsAndGreyBelow) {
    QList<uchar> samples;
    for (int i = 0; i < 64 * 64 * 3; ++i)
        samples << uchar(i * 7);
    const QByteArray jpg = testpics::makeJpeg(64, 64, JpegKind::Colour, samples);
    const testpics::PluginHarness plugin(kJpeg);
    const QString whole = write("whole.jpg", jpg);
    const QString cut = write("cut.jpg", jpg.left(jpg.size() / 2));
    const testpics::Decoded full = plugin.fromFile(whole);
    const testpics::Decoded part = plugin.fromFile(cut);
    ASSERT_EQ(part.result, SPI_OK);
    ASSERT_EQ(part.width(), 64);
    ASSERT_EQ(part.height(), 64);
    for (int x = 0; x < 64; ++x) {
        EXPECT_EQ(part.pixel(x, 0), full.pixel(x, 0)) << x;
        EXPECT_EQ(part.pixel(x, 7), full.pixel(x, 7)) << x;
        EXPECT_EQ(part.pixel(x, 63), 0x808080u) << x; // what the decoder fills in
    }
    // The same through the service, also reduced; a file whose header is cut gives nothing.
    EXPECT_EQ(pictures::LoadPicture(cut).size, QSize(64, 64));
    EXPECT_EQ(pictures::LoadPicture(cut, QSize(16, 16)).image.size(), QSize(16, 16));
    write("header.jpg", jpg.left(100));
    EXPECT_TRUE(pictures::LoadPicture(path("header.jpg")).image.isNull());
    EXPECT_EQ(plugin.fromFile(path("header.jpg")).result, SPI_BROKEN_DATA);
}

TEST_F(PictureServiceTest, TheScaledEntryGivesTheRequestedSizeAndTheOwnSize) {
    const QString jpg =
        write("p.jpg", testpics::makeJpeg(400, 300, JpegKind::Colour, halves(400, 300)));
    const QString gif = write("p.gif", testpics::makeGif(400, 300, kFour, {halvesFrame(400, 300)}));
    const struct {
        int maxWidth, maxHeight;
        unsigned flags;
        QSize expected;
    } requests[] = {
        {100, 100, 0, {100, 100}},                    // each side on its own
        {100, 100, SPI_SCALE_KEEP_ASPECT, {100, 75}}, // proportions kept
        {1000, 30, SPI_SCALE_KEEP_ASPECT, {40, 30}},
        {1000, 1000, 0, {400, 300}}, // never enlarged
        {0, 50, 0, {400, 50}},       // 0: that side unlimited
        {0, 0, SPI_SCALE_KEEP_ASPECT, {400, 300}},
        {1, 1, SPI_SCALE_KEEP_ASPECT, {1, 1}},
        {399, 300, 0, {399, 300}},
    };
    for (const QString& file : {jpg, gif}) {
        const testpics::PluginHarness plugin(file == jpg ? kJpeg : kGif);
        ASSERT_TRUE(plugin.hasScaledEntry());
        for (const auto& r : requests) {
            SCOPED_TRACE(file.toStdString() + " " + std::to_string(r.maxWidth) + "x" +
                         std::to_string(r.maxHeight));
            QSize own;
            const testpics::Decoded d =
                plugin.fromFileScaled(file, r.maxWidth, r.maxHeight, r.flags, &own);
            ASSERT_EQ(d.result, SPI_OK);
            EXPECT_EQ(QSize(d.width(), d.height()), r.expected);
            EXPECT_EQ(own, QSize(400, 300));
            EXPECT_EQ(d.bitCount(), file == jpg ? 24 : 8);
            // The service's arithmetic is the plug-ins'.
            EXPECT_EQ(pictures::ReducedSize({400, 300}, {r.maxWidth, r.maxHeight},
                                            r.flags ? Fit::KeepAspect : Fit::EachSide),
                      r.maxWidth > 0 && r.maxHeight > 0 ? r.expected : QSize(400, 300));
            // Red stays left and blue right.
            const auto colour = [&](int x) {
                return d.bitCount() == 8 ? d.colour(int(d.pixel(x, d.height() / 2)))
                                         : d.pixel(x, d.height() / 2);
            };
            if (d.width() >= 4) {
                EXPECT_TRUE(near(colour(0), qRgb(255, 0, 0))) << std::hex << colour(0);
                EXPECT_TRUE(near(colour(d.width() - 1), qRgb(0, 0, 255)));
            }
        }
    }
    // Through the service: its image at the size asked, the own size beside it.
    const pictures::Picture p = pictures::LoadPicture(jpg, QSize(160, 56));
    EXPECT_EQ(p.image.size(), QSize(160, 56));
    EXPECT_EQ(p.size, QSize(400, 300));
}

TEST_F(PictureServiceTest, TheScaledEntryRefusesWhatGetPictureRefuses) {
    QList<uchar> samples;
    for (int i = 0; i < 64 * 64 * 3; ++i)
        samples << uchar(i * 7);
    const QByteArray jpg = testpics::makeJpeg(64, 64, JpegKind::Colour, samples);
    const QByteArray gf = testpics::makeGif(64, 64, kFour, {halvesFrame(64, 64)});
    QByteArray hugeJpeg = testpics::makeJpeg(8, 8, JpegKind::Grey, QList<uchar>(64, 9));
    const qsizetype sof = hugeJpeg.indexOf("\xff\xc0");
    hugeJpeg[sof + 5] = char(20000 >> 8); // 20 000 rows: past the limit
    hugeJpeg[sof + 6] = char(20000 & 255);
    const QByteArray inputs[] = {
        gf.left(gf.size() / 2),
        gf.left(13),
        jpg.left(2),
        jpg.left(100),
        gf,
        QByteArray(),
        hugeJpeg,
        testpics::makeGif(16385, 1, kFour, {GifFrame{0, 0, 1, 1, false, -1, {0}, {}}}),
        QByteArray(500, 'x')};
    for (const QString& spi : {kGif, kJpeg}) {
        const testpics::PluginHarness plugin(spi);
        int index = 0;
        for (const QByteArray& input : inputs) {
            SCOPED_TRACE(spi.toStdString() + " input " + std::to_string(index++));
            const QString file = write("in", input);
            const testpics::Decoded whole = plugin.fromFile(file);
            if (whole.result == SPI_OK)
                continue; // a GIF given to the GIF plug-in
            const testpics::Decoded scaled = plugin.fromFileScaled(file, 16, 16);
            EXPECT_EQ(scaled.result, whole.result);
            EXPECT_TRUE(scaled.handlesLeftEmpty);
        }
    }
}

TEST_F(PictureServiceTest, APluginWithoutTheScaledEntryIsReducedHere) {
    const QString unscaled = QStringLiteral(ZELMO_UNSCALED_GIF_SPI);
    const testpics::PluginHarness plugin(unscaled);
    ASSERT_TRUE(plugin.ready());
    EXPECT_FALSE(plugin.hasScaledEntry());
    pictures::BindPlugins({unscaled, kJpeg});
    const QString gif = write("p.gif", testpics::makeGif(40, 30, kFour, {halvesFrame(40, 30)}));
    const pictures::Picture p = pictures::LoadPicture(gif, QSize(20, 20), Fit::KeepAspect);
    EXPECT_EQ(p.image.size(), QSize(20, 15));
    EXPECT_EQ(p.size, QSize(40, 30));
    EXPECT_TRUE(near(p.image.pixel(1, 7), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(p.image.pixel(18, 7), qRgb(0, 0, 255)));
    EXPECT_EQ(pictures::LoadPicture(gif).image.size(), QSize(40, 30));
}

TEST_F(PictureServiceTest, ACancelledPictureIsNotMade) {
    const QString jpg =
        write("p.jpg", testpics::makeJpeg(64, 64, JpegKind::Colour, halves(64, 64)));
    std::atomic<bool> cancel{true};
    EXPECT_TRUE(pictures::LoadPicture(jpg, {QSize(8, 8), Fit::EachSide, &cancel}).image.isNull());
    cancel = false;
    EXPECT_FALSE(pictures::LoadPicture(jpg, {QSize(8, 8), Fit::EachSide, &cancel}).image.isNull());
}

TEST_F(PictureServiceTest, AGifDeclaringAHugeScreenCostsOnlyItsThumbnail) {
    // A 1 x 1 frame on a 16 384 x 16 384 screen: a few dozen bytes of file.
    const QByteArray bytes =
        testpics::makeGif(16384, 16384, kFour, {GifFrame{0, 0, 1, 1, false, -1, {2}, {}}});
    ASSERT_LT(bytes.size(), 100);
    const QString gif = write("huge.gif", bytes);
    // In a child of its own, so the peak measured is this picture's.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rusage before {};
        ::getrusage(RUSAGE_SELF, &before);
        const pictures::Picture p = pictures::LoadPicture(gif, QSize(160, 56));
        struct rusage after {};
        ::getrusage(RUSAGE_SELF, &after);
        const bool ok = p.size == QSize(16384, 16384) && p.image.size() == QSize(160, 56) &&
                        p.image.pixel(80, 28) == qRgb(255, 255, 255);
        const long grownMb = (after.ru_maxrss - before.ru_maxrss) / 1024;
        ::_exit(!ok ? 1 : grownMb > 16 ? 2 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: wrong picture, 2: more than 16 MB";
}

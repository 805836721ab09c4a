// Pictures on a screen of device pixel ratio 2 (run under QT_SCALE_FACTOR=2; skipped at
// ratio 1): a JPEG, a GIF, a BMP and an icon drawn by the file list's painter into an
// image of ratio 2 show detail at device resolution, not blocks of 2 x 2 equal pixels.
#include "browser/FileItemPainter.h"
#include "browser/FileListBox.h"
#include "pictures/PictureService.h"
#include "pictures/PluginPictures.h"
#include "tests/browser/TestPictures.h"
#include "tests/pictures/DeviceDetail.h"
#include "tests/pictures/PictureMaker.h"
#include "tests/pictures/TwoSizeIcon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testpics::detailIn;
using testpics::ink;
using testpics::kInk;
using testpics::kPaper;
using testpics::twoSizeIcon;

class HiDpiPictures : public ::testing::Test {
protected:
    void SetUp() override {
        if (qApp->devicePixelRatio() < 2)
            GTEST_SKIP() << "runs under QT_SCALE_FACTOR=2";
        ASSERT_TRUE(dir.isValid());
        pictures::BindPlugins({QStringLiteral(ZELMO_GIF_SPI), QStringLiteral(ZELMO_JPEG_SPI)});
        list.resize(387, 300);
        list.SetColumns(2);
        list.SetItemHeight(60);
        QFont f = list.font();
        f.setPixelSize(15);
        list.setFont(f);
    }
    void TearDown() override { pictures::ReleasePlugins(); }

    QString write(const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    // The picture size whose thumbnail in this list is drawn at exactly its own pixels
    // on the device: twice the picture as drawn, which depends on the size text. The
    // first guess is of other proportions than the thumbnail rectangle.
    QSize devicePicture(const QString& name) {
        QSize picture(300, 112);
        for (int i = 0; i < 4; ++i)
            picture = pictureRect(picture, name).size() * 2;
        return picture;
    }
    // The item painted into an image of ratio 2 once its picture is made; r receives
    // where the thumbnail (or icon) stands, in logical pixels.
    QImage paint(const QString& file) {
        QImage image(800, 260, QImage::Format_RGB32);
        image.setDevicePixelRatio(2);
        for (int round = 0; round < 2; ++round) {
            image.fill(kPaper);
            QPainter p(&image);
            p.setFont(list.font());
            p.setPen(QColor::fromRgb(kInk));
            p.setBrush(QColor::fromRgb(kPaper));
            painter.PaintFileItem(list, p, file, item, false);
            p.end();
            EXPECT_TRUE(painter.WaitForThumbnails(10000));
        }
        return image;
    }
    // Where the item draws the picture (logical pixels).
    QRect pictureRect(QSize picture, const QString& name) {
        const QFontMetrics fm(list.font());
        const int text = std::max(fm.horizontalAdvance(name),
                                  fm.horizontalAdvance(browser::PictureSizeText(picture)));
        const QSize t =
            browser::ThumbnailSize(picture, list.width(), list.Columns(), text, list.ItemHeight());
        return browser::PictureInThumbnail(
            browser::LayoutPictureItem(item, list.ItemHeight(), t, fm.height()).thumbnail, picture);
    }

    QTemporaryDir dir;
    browser::TFileListBoxS list;
    browser::FileItemPainter painter;
    const QRect item{7, 60, 193, 60};
};

} // namespace

TEST_F(HiDpiPictures, ThumbnailsAndIconsShowDeviceDetail) {
    ASSERT_EQ(list.devicePixelRatioF(), 2.0);
    for (const char* ext : {"jpg", "gif", "bmp"}) {
        const QString name = QStringLiteral("checked.") + QLatin1String(ext);
        const QSize size = devicePicture(name);
        SCOPED_TRACE(name.toStdString() + " " + std::to_string(size.width()) + "x" +
                     std::to_string(size.height()));
        QByteArray bytes;
        if (qstrcmp(ext, "jpg") == 0) {
            QList<uchar> grey;
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    grey << uchar(ink(x, y) ? 0 : 255);
            bytes = testpics::makeJpeg(size.width(), size.height(), testpics::JpegKind::Grey, grey,
                                       false, 100);
        } else if (qstrcmp(ext, "gif") == 0) {
            testpics::GifFrame frame{0, 0, size.width(), size.height(), false, -1, {}, {}};
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    frame.pixels << uchar(ink(x, y) ? 0 : 1);
            bytes = testpics::makeGif(size.width(), size.height(), {kInk, kPaper}, {frame});
        } else {
            bytes = testpictures::encoded(testpics::checkedImage(size), "BMP");
        }
        const QImage shown = paint(write(name, bytes));
        // Every block of the checked picture mixes both colours; pixel-doubled, none would.
        EXPECT_GT(detailIn(shown, pictureRect(size, name)), 0.9);
    }
    const QImage shown = paint(write(QStringLiteral("checked.ico"), twoSizeIcon()));
    const QRect icon(browser::ItemIconPos(item, list.ItemHeight()), QSize(32, 32));
    EXPECT_GT(detailIn(shown, icon), 0.9);
}

// The picture service on its own: a picture asked for at a ratio is made at the device
// size (rounded up at fractional ratios) and carries the ratio; an icon file gives its
// image that covers 32 logical pixels.
TEST_F(HiDpiPictures, PicturesAndIconsAreMadeAtTheDeviceSize) {
    QList<uchar> grey(400 * 300, 128);
    const QString jpg = write(QStringLiteral("p.jpg"),
                              testpics::makeJpeg(400, 300, testpics::JpegKind::Grey, grey));
    struct Case {
        qreal ratio;
        QSize made;
    };
    for (const Case c : {Case{1.0, {100, 75}}, Case{1.5, {150, 113}}, Case{2.0, {200, 150}}}) {
        const pictures::Picture p = pictures::LoadPicture(
            jpg, {QSize(100, 100), pictures::Fit::KeepAspect, nullptr, c.ratio});
        EXPECT_EQ(p.image.size(), c.made) << c.ratio;
        EXPECT_EQ(p.image.devicePixelRatio(), c.ratio);
        EXPECT_EQ(p.size, QSize(400, 300));
    }
    const QString ico = write(QStringLiteral("two.ico"), twoSizeIcon());
    const pictures::FileImage at1 = pictures::LoadFileImage(ico);
    EXPECT_EQ(at1.image.size(), QSize(32, 32));
    const pictures::FileImage at2 =
        pictures::LoadFileImage(ico, {QSize(32, 32), pictures::Fit::KeepAspect, nullptr, 2.0});
    EXPECT_EQ(at2.image.size(), QSize(64, 64));
    EXPECT_EQ(at2.size, QSize(32, 32));
}

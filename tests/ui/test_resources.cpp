#include "ui/Resources.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace ui;

TEST(Resources, EveryPictureLoadsAtItsSize) {
    for (const char* name :
         {"MAINICON", "ZELU", "KUMA", "USAGI", "SPLASH", "HANDPNT", "HANDFLAT", "HANDHIT"}) {
        const QPixmap pm = resourcePixmap(QString::fromLatin1(name));
        EXPECT_EQ(pm.size(), QSize(32, 32)) << name;
    }
    EXPECT_EQ(resourcePixmap("MAINICON16").size(), QSize(16, 16));
    EXPECT_TRUE(resourcePixmap("NOSUCH").isNull());
    EXPECT_TRUE(resourcePixmap(QString()).isNull());

    const QIcon icon = programIcon();
    EXPECT_EQ(icon.availableSizes(), QList<QSize>({QSize(32, 32), QSize(16, 16)}));
    EXPECT_FALSE(resourceIcon("KUMA").isNull());
    EXPECT_TRUE(resourceIcon("NOSUCH").isNull());
}

TEST(Resources, HandCursorsCarryTheirHotSpots) {
    const QCursor pnt = resourceCursor("HANDPNT");
    EXPECT_EQ(pnt.shape(), Qt::BitmapCursor);
    EXPECT_EQ(pnt.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(pnt.hotSpot(), QPoint(9, 1));
    EXPECT_EQ(resourceCursor("HANDFLAT").hotSpot(), QPoint(12, 1));
    EXPECT_EQ(resourceCursor("HANDHIT").hotSpot(), QPoint(9, 5));
    // The hot spot lies on the finger: a painted pixel.
    for (const char* name : {"HANDPNT", "HANDFLAT", "HANDHIT"}) {
        const QCursor c = resourceCursor(name);
        EXPECT_GT(qAlpha(c.pixmap().toImage().pixel(c.hotSpot())), 0) << name;
    }
    EXPECT_EQ(resourceCursor("NOSUCH").shape(), Qt::ArrowCursor);
}

TEST(Resources, FourteenTwoStateButtonPictures) {
    const QStringList names = controlGlyphNames();
    ASSERT_EQ(names.size(), 14);
    for (const QString& name : names) {
        const QSize frame = glyphSize(name);
        EXPECT_EQ(controlGlyph(name).size(), QSize(frame.width() * 2, frame.height()))
            << name.toStdString();
        const QIcon icon = controlGlyphIcon(name);
        const QImage normal = icon.pixmap(frame, QIcon::Normal).toImage();
        const QImage disabled = icon.pixmap(frame, QIcon::Disabled).toImage();
        EXPECT_EQ(normal.size(), frame) << name.toStdString();
        EXPECT_NE(normal, disabled) << name.toStdString();
    }
    EXPECT_EQ(glyphSize("SBP"), QSize(28, 28));
    EXPECT_EQ(glyphSize("EditB"), QSize(24, 24));
    EXPECT_TRUE(controlGlyph("Button1").isNull());
    EXPECT_TRUE(controlGlyphIcon("Button1").isNull());
}

TEST(Resources, DirImagesAreFiveWithTheTransparentColourMasked) {
    const QList<QPixmap> images = dirImages();
    ASSERT_EQ(images.size(), 5);
    for (const QPixmap& pm : images) {
        EXPECT_EQ(pm.size(), QSize(16, 16));
        const QImage img = pm.toImage();
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0); // corner: background
        int painted = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb p = img.pixel(x, y);
                if (qAlpha(p) == 0)
                    continue;
                ++painted;
                EXPECT_FALSE(qRed(p) == 128 && qGreen(p) == 128 && qBlue(p) == 0);
            }
        EXPECT_GT(painted, 60);
    }
}

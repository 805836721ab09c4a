#include "ui/FaceGlyph.h"
#include "ui/Resources.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <gtest/gtest.h>

using namespace ui;

TEST(FaceGlyph, IconDrawnOnTheButtonFaceAndStretchedTwoPixelsSmaller) {
    QPixmap red(16, 16);
    red.fill(Qt::red);
    const QPixmap face = IconOnFace(red);
    ASSERT_EQ(face.size(), QSize(32, 32));
    const QImage img = face.toImage();
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(15, 15), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(31, 31), QApplication::palette().color(QPalette::Button));

    const QPixmap glyph = StretchedGlyph(face, QSize(34, 34));
    EXPECT_EQ(glyph.size(), QSize(32, 32));
    EXPECT_EQ(StretchedGlyph(face, QSize(30, 28)).size(), QSize(28, 26));
    EXPECT_TRUE(StretchedGlyph(face, QSize(2, 10)).isNull());

    // The clock's two pictures exist and fill the face.
    EXPECT_FALSE(resourcePixmap(QStringLiteral("ZELU")).isNull());
    EXPECT_FALSE(resourcePixmap(QStringLiteral("MAINICON")).isNull());
}

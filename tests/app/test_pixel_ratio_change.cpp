// Pictures follow the screen: made at ratio 1, the window moves to a screen of ratio 2 and
// every picture from a file is made again at the device's resolution, once. Runs on the
// offscreen platform with two screens (two_screens.json); skipped on one screen.
#include "app/TForm1.h"
#include "browser/FileItemPainter.h"
#include "launcher/SlotControls.h"
#include "preview/TPreviewFormX.h"
#include "tests/browser/MainWindowFixture.h"
#include "tests/browser/TestPictures.h"
#include "tests/pictures/DeviceDetail.h"
#include "ui/PixelRatioWatch.h"

#include <QLabel>
#include <QScreen>
#include <QWindow>
#include <functional>

using browser::TFileListBoxS;
using testpics::checkedImage;
using testpics::detailIn;

namespace {

bool twoScreens() {
    const QList<QScreen*> s = QGuiApplication::screens();
    return s.size() == 2 && s[0]->devicePixelRatio() == 1.0 && s[1]->devicePixelRatio() == 2.0;
}

// Moves a top-level window onto the screen of ratio 2 and lets the events settle.
void moveToSecondScreen(QWidget* window) {
    window->move(QGuiApplication::screens()[1]->geometry().topLeft() + QPoint(40, 40));
    QApplication::processEvents();
}

class PixelRatioChange : public MainWindowFixture {
protected:
    void SetUp() override {
        if (!twoScreens())
            GTEST_SKIP() << "runs on two offscreen screens of ratio 1 and 2";
        MainWindowFixture::SetUp();
    }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(root + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // The window with the picture on the first slot, on the screen of ratio 1.
    TForm1& start(const QString& slotPicture) {
        writeSettings("[FormStyle]\r\nViewerStyle=1\r\noldDirPath=" + root.toUtf8() +
                      "\r\n[Page1]\r\nBPFileName0=" + slotPicture.toUtf8() + "\r\n");
        form = std::make_unique<TForm1>();
        form->resize(640, 480);
        form->move(20, 20);
        form->show();
        QApplication::setActiveWindow(form.get());
        QApplication::processEvents();
        return *form;
    }
    // The size of a picture whose thumbnail in the list is drawn at exactly its own pixels
    // at ratio 2: twice the picture as drawn, which depends on the size text.
    QSize devicePicture(const TFileListBoxS* list, const QString& name) const {
        QSize picture(300, 112);
        for (int i = 0; i < 4; ++i)
            picture = 2 * pictureRect(list, name, picture, QRect()).size();
        return picture;
    }
    // Where the item at item draws the picture (logical pixels).
    static QRect pictureRect(const TFileListBoxS* list, const QString& name, QSize picture,
                             const QRect& item) {
        const QFontMetrics fm(list->font());
        const int text = std::max(fm.horizontalAdvance(name),
                                  fm.horizontalAdvance(browser::PictureSizeText(picture)));
        const QSize t = browser::ThumbnailSize(picture, list->width(), list->Columns(), text,
                                               list->ItemHeight());
        return browser::PictureInThumbnail(
            browser::LayoutPictureItem(item, list->ItemHeight(), t, fm.height()).thumbnail,
            picture);
    }
};

} // namespace

TEST_F(PixelRatioChange, EveryPictureIsMadeAgainAtTheNewRatio) {
    const QImage slotPicture = checkedImage({64, 64});
    write("slot.bmp", testpictures::encoded(slotPicture, "BMP"));
    write("b.bmp", testpictures::encoded(checkedImage({64, 64}), "BMP"));
    write("c.ico", testpics::twoSizeIcon());
    // The preview is fitted to a screen of 320 x 240: twice that is its device size.
    ui::SetScreenMetricsSource([] { return ui::ScreenMetrics{320, 240, 20, 2}; });
    write("d.bmp", testpictures::encoded(checkedImage({640, 480}), "BMP"));
    TForm1& f = start(root + "/slot.bmp");
    TFileListBoxS* list = f.Files().ListBox1;
    // The thumbnail's picture at the device size of its place in the list.
    const QString thumb = QStringLiteral("a.bmp");
    write(thumb, testpictures::encoded(checkedImage(devicePicture(list, thumb)), "BMP"));
    list->SetDirectory(list->Directory());
    QApplication::processEvents();
    ASSERT_EQ(list->Count(), 5);
    ASSERT_EQ(list->GetItemPath(1), root + "/b.bmp");
    clickItem(list, 1);
    f.Files().ItemPainter.WaitForThumbnails(10000);
    launcher::SlotImage* slot = f.Launcher().SlotImages[0][0];
    QLabel* select = f.Files().SelectImage;
    ASSERT_EQ(slot->picture().devicePixelRatio(), 1.0);
    ASSERT_EQ(slot->picture().size(), QSize(32, 32));
    ASSERT_EQ(select->pixmap().devicePixelRatio(), 1.0);

    moveToSecondScreen(&f);
    ASSERT_EQ(f.windowHandle()->screen(), QGuiApplication::screens()[1]);
    ASSERT_TRUE(f.Files().ItemPainter.WaitForThumbnails(10000));
    const QImage shownList = list->viewport()->grab().toImage();
    ASSERT_EQ(shownList.devicePixelRatio(), 2.0);
    const QRect item0 = list->ItemRect(0);
    const QRect thumbnailAt = pictureRect(list, thumb, devicePicture(list, thumb), item0);
    const QRect iconAt(browser::ItemIconPos(list->ItemRect(2), list->ItemHeight()),
                       QSize(browser::kItemIconSize, browser::kItemIconSize));

    // Each owner's picture now: its image, where it stands in it (logical), its size.
    struct Owner {
        const char* name;
        std::function<QImage()> shown;
        std::function<QRect()> area;
    };
    const Owner owners[] = {
        {"slot picture", [&] { return slot->picture().toImage(); },
         [] { return QRect(0, 0, 32, 32); }},
        {"selection image", [&] { return select->pixmap().toImage(); },
         [] { return QRect(0, 0, 32, 32); }},
        {"thumbnail in the list", [&] { return shownList; }, [&] { return thumbnailAt; }},
        {"icon in the list", [&] { return shownList; }, [&] { return iconAt; }},
    };
    for (const Owner& o : owners) {
        SCOPED_TRACE(o.name);
        const QImage image = o.shown();
        EXPECT_EQ(image.devicePixelRatio(), 2.0);
        EXPECT_GE(image.width(), 2 * o.area().right());
        EXPECT_GT(detailIn(image, o.area()), 0.9);
    }
    // One remade picture per thumbnail and icon: the cache keeps the new ones only.
    const qsizetype cached = f.Files().ItemPainter.CachedBytes();
    f.Files().ItemPainter.ClearCache();
    list->viewport()->update();
    ASSERT_TRUE(f.Files().ItemPainter.WaitForThumbnails(10000));
    EXPECT_EQ(f.Files().ItemPainter.CachedBytes(), cached);

    // The preview, a window of its own, shown on the first screen and moved.
    clickItem(list, 3);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);
    preview::TPreviewFormX& preview = f.Preview();
    ASSERT_TRUE(preview.isVisible());
    preview.move(20, 20);
    QApplication::processEvents();
    ASSERT_EQ(preview.Image1->pixmap().size(), QSize(320, 240));
    moveToSecondScreen(&preview);
    const QImage previewPicture = preview.Image1->pixmap().toImage();
    EXPECT_EQ(previewPicture.size(), QSize(640, 480));
    EXPECT_EQ(previewPicture.devicePixelRatio(), 2.0);
    EXPECT_GT(detailIn(previewPicture, QRect(0, 0, 320, 240)), 0.9);
    EXPECT_EQ(preview.PictureSize, QSize(640, 480));
}

// The watch calls once per real change of the ratio: a move on the same screen, or to a
// screen of the same ratio, makes nothing again.
TEST_F(PixelRatioChange, TheWatchCallsOncePerChange) {
    QWidget window;
    auto* child = new QWidget(&window);
    int remade = 0;
    ui::OnPixelRatioChange(child, [&] { ++remade; });
    window.resize(100, 100);
    window.move(20, 20);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(remade, 0);
    moveToSecondScreen(&window);
    EXPECT_EQ(remade, 1);
    window.move(window.pos() + QPoint(100, 0));
    QApplication::processEvents();
    EXPECT_EQ(remade, 1);
    window.move(20, 20);
    QApplication::processEvents();
    EXPECT_EQ(remade, 2);
    // Hidden and shown again on the other screen: seen when it shows.
    window.hide();
    window.move(QGuiApplication::screens()[1]->geometry().topLeft() + QPoint(40, 40));
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(remade, 3);
}

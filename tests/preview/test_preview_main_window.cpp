// The preview on the real main window: the selection image's click and the space key
// show it with the window in the tray, and closing it (or waking the window from the
// tray) brings the window back with the file shown last selected.
#include "launcher/SlotControls.h"
#include "preview/TPreviewFormX.h"
#include "tests/browser/MainWindowFixture.h"
#include "tests/preview/PreviewTestUtil.h"
#include "ui/CaptionPanel.h"
#include "ui/Panel.h"
#include "ui/TabSet.h"
#include "ui/TrayService.h"

#include <QLabel>

using browser::TFileListBoxS;

namespace {

class PreviewMainWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ui::TrayService::setAvailabilitySource([] { return true; });
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        ui::TrayService::setAvailabilitySource(nullptr);
    }
    // Five bitmaps a.bmp ... e.bmp of 20 + 10 i by 10 pixels.
    void makeBitmaps() {
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(previewtest::writePicture(
                QFile::encodeName(root) + "/" + char('a' + i) + ".bmp", 20 + 10 * i, 10));
    }
    preview::TPreviewFormX& preview() { return form->Preview(); }
};

} // namespace

TEST_F(PreviewMainWindowTest, CreatedHiddenAndKnownToTheWindow) {
    TForm1& f = create();
    EXPECT_FALSE(preview().isVisible());
    EXPECT_EQ(f.State().Windows.PreviewFormX.data(), &preview());
    // Before the preview has shown anything the tray's return selects the first file.
    EXPECT_EQ(f.Modes().PreviewLastIndex(), 0);
}

TEST_F(PreviewMainWindowTest, SpaceShowsThePreviewAndEscapeBringsTheWindowBackOnTheLastFile) {
    makeBitmaps();
    TForm1& f = create();
    TFileListBoxS* list = f.Files().ListBox1;
    ASSERT_EQ(list->Count(), 5);
    clickItem(list, 1);
    ASSERT_FALSE(f.Files().SelectImage->isHidden());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(preview().isVisible());
    EXPECT_TRUE(f.State().InTray);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(preview().windowTitle(), QStringLiteral("2/5 b.bmp"));
    EXPECT_EQ(preview().Image1->pixmap().size(), QSize(30, 10));
    EXPECT_EQ(list->ItemIndex(), 1); // space did not move the list
    QTest::keyClick(&preview(), Qt::Key_Right);
    QTest::keyClick(&preview(), Qt::Key_Right);
    EXPECT_EQ(preview().windowTitle(), QStringLiteral("4/5  d.bmp"));
    EXPECT_EQ(f.Modes().PreviewLastIndex(), 3);
    EXPECT_EQ(list->ItemIndex(), 1);
    QTest::keyClick(&preview(), Qt::Key_Escape);
    EXPECT_FALSE(preview().isVisible());
    EXPECT_FALSE(f.State().InTray);
    EXPECT_TRUE(f.isVisible());
    // The list, the selection image and the status texts follow the file shown last.
    EXPECT_EQ(list->ItemIndex(), 3);
    EXPECT_EQ(f.State().SourceFile, root + "/d.bmp");
    EXPECT_EQ(f.Files().SelectImage->pixmap().size(), QSize(32, 6)); // 50 x 10 at its size
    EXPECT_TRUE(f.Files().CountLabel->text().contains(QStringLiteral("4 / 5")));
}

TEST_F(PreviewMainWindowTest, AClickOnTheSelectionImageShowsThePreviewOnlyWhenItIsShown) {
    makeBitmaps();
    TForm1& f = create();
    QLabel* image = f.Files().SelectImage;
    // Hidden until a file is selected: a click (or space) does nothing.
    f.Files().SelectImageClick();
    EXPECT_FALSE(preview().isVisible());
    EXPECT_FALSE(f.State().InTray);
    clickItem(f.Files().ListBox1, 4);
    ASSERT_FALSE(image->isHidden());
    // A right click is no click.
    QTest::mouseClick(image, Qt::RightButton, {}, QPoint(2, 2));
    EXPECT_FALSE(preview().isVisible());
    QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(preview().isVisible());
    EXPECT_TRUE(f.State().InTray);
    EXPECT_EQ(preview().PreviewIndex, 4);
    // A click on the picture closes it.
    QTest::keyClick(&preview(), Qt::Key_Home);
    QTest::mouseClick(preview().Image1, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(preview().isVisible());
    EXPECT_FALSE(f.State().InTray);
    EXPECT_EQ(f.Files().ListBox1->ItemIndex(), 0);
}

TEST_F(PreviewMainWindowTest, WakingFromTheTrayHidesThePreviewAndSelectsItsLastFile) {
    makeBitmaps();
    TForm1& f = create();
    TFileListBoxS* list = f.Files().ListBox1;
    clickItem(list, 0);
    f.Files().SelectImageClick();
    ASSERT_TRUE(preview().isVisible());
    QTest::keyClick(&preview(), Qt::Key_End);
    // The tray menu's "ゼル君の目を覚ます".
    f.Modes().TaskTaryShow->trigger();
    EXPECT_FALSE(preview().isVisible());
    EXPECT_FALSE(f.State().InTray);
    EXPECT_EQ(list->ItemIndex(), 4);
    EXPECT_EQ(f.State().SourceFile, root + "/e.bmp");
    // The tray button alone (no preview) returns to the preview's last index as well.
    clickItem(list, 1);
    f.Modes().TaskTrayClick();
    f.Modes().TaskTaryShowClick();
    EXPECT_EQ(list->ItemIndex(), 4);
}

TEST_F(PreviewMainWindowTest, TheTrayMenusExitHidesThePreview) {
    makeBitmaps();
    TForm1& f = create();
    clickItem(f.Files().ListBox1, 0);
    f.Files().SelectImageClick();
    ASSERT_TRUE(preview().isVisible());
    responder.answer(ui::MsgResult::No);
    f.N13Click();
    EXPECT_FALSE(preview().isVisible());
}

TEST_F(PreviewMainWindowTest, TheSelectionImageIsDraggedByTheRightButtonOnALauncherPage) {
    makeBitmaps();
    TForm1& f = create();
    // Nothing selected: no drag.
    EXPECT_FALSE(f.Files().SelectImageMouseDown(Qt::RightButton));
    clickItem(f.Files().ListBox1, 2);
    EXPECT_TRUE(f.Files().SelectImageMouseDown(Qt::RightButton));
    EXPECT_FALSE(f.Files().SelectImageMouseDown(Qt::LeftButton));
    // The control page has no slots to drop on.
    f.Launcher().TabSet1->setTabIndex(launcher::LauncherStrip::kControlPage);
    EXPECT_FALSE(f.Files().SelectImageMouseDown(Qt::RightButton));
    f.Launcher().TabSet1->setTabIndex(0);
    EXPECT_TRUE(f.Files().SelectImageMouseDown(Qt::RightButton));
    // The drop registers the active list's file by the drop rule, full path as hint.
    launcher::SlotImage* slot = f.Launcher().SlotImages[0][3];
    ASSERT_TRUE(f.Launcher().BP3SPiDragOver(slot, f.Files().SelectImage));
    f.Launcher().BP3SPiDragDrop(slot, f.Files().SelectImage);
    EXPECT_EQ(f.Launcher().Entries.at(0, 3), root + "/c.bmp");
    EXPECT_EQ(slot->toolTip(), root + "/c.bmp");
}

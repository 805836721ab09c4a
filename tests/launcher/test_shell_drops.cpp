#include "launcher/ShellDrops.h"
#include "platform/Shell.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>

using namespace launcher;

TEST(ShellDrops, DroppedFilesAreStartedInTheirOwnFolders) {
    QWidget window;
    ShellDropFilter::Install(&window);
    EXPECT_TRUE(window.acceptDrops());
    platform::ShellRecorder rec;
    rec.answer(platform::kShellFileNotFound); // failures stay silent; the rest still start

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile("/home/ann/a.txt"), QUrl::fromLocalFile("/top.sh"),
                  QUrl("https://example.org/"), QUrl::fromLocalFile("/home/ann/b c/d.png")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
    EXPECT_TRUE(drop.isAccepted());

    ASSERT_EQ(rec.calls().size(), 3);
    EXPECT_EQ(rec.calls()[0].file, "/home/ann/a.txt");
    EXPECT_EQ(rec.calls()[0].parameters, "");
    EXPECT_EQ(rec.calls()[0].directory, "/home/ann/");
    EXPECT_EQ(rec.calls()[0].showCmd, platform::SW_SHOW);
    EXPECT_EQ(rec.calls()[1].directory, "/");
    EXPECT_EQ(rec.calls()[2].file, "/home/ann/b c/d.png");
    EXPECT_EQ(rec.calls()[2].directory, "/home/ann/b c/");

    // A drag without files is refused and starts nothing.
    QMimeData text;
    text.setText("hello");
    QDragEnterEvent enterText(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enterText);
    EXPECT_FALSE(enterText.isAccepted());
    EXPECT_EQ(rec.calls().size(), 3);
}

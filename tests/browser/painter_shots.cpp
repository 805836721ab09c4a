// Photographs of the file lists as the item painter draws them, from the real main
// window (offscreen, QWidget::grab), for looking at them (not a test):
//   painter_shots OUT-DIR
// pictures.png / pictures-selected.png: a folder of bitmaps (BMP, read by Qt; GIF and
// JPEG would need the image plug-ins); programs.png: programs, libraries, an icon file,
// shortcuts and other files, one program selected; programs-text-selected.png: another
// file selected.
#include "app/TForm1.h"
#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanel.h"
#include "platform/AppPaths.h"
#include "platform/Drives.h"
#include "platform/UserInfo.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>
#include <unistd.h>

namespace {

void bitmap(const QString& path, int w, int h, QColor from, QColor to) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    p.fillRect(image.rect(), g);
    p.setPen(Qt::white);
    p.drawEllipse(QRectF(w * 0.2, h * 0.2, w * 0.6, h * 0.6));
    p.end();
    image.save(path, "BMP");
}

void text(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

void shoot(TForm1& form, const QString& path) {
    settle();
    form.grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    QTemporaryDir work;
    const QString root = work.path();
    const QString shell = QStringLiteral(ZELMO_TEST_DATA "/shell/");

    QDir(root).mkpath("pictures");
    QDir(root).mkpath("programs");
    bitmap(root + "/pictures/sunset.bmp", 640, 480, QColor(255, 140, 0), QColor(80, 0, 120));
    bitmap(root + "/pictures/sea.bmp", 320, 200, QColor(0, 80, 200), QColor(0, 220, 220));
    bitmap(root + "/pictures/tiny.bmp", 16, 16, QColor(0, 160, 0), QColor(255, 255, 0));
    bitmap(root + "/pictures/banner.bmp", 400, 30, QColor(200, 0, 0), QColor(0, 0, 0));
    bitmap(root + "/pictures/tower.bmp", 20, 200, QColor(90, 90, 90), QColor(220, 220, 255));
    text(root + "/pictures/broken.bmp", "BM not a bitmap");
    text(root + "/pictures/readme.txt", "about these pictures\n");
    for (const char* name : {"app.exe", "app64.dll", "noicon.exe", "icon.ico"})
        QFile::copy(shell + name, root + "/programs/" + name);
    (void)::symlink(QFile::encodeName(root + "/programs/app.exe").constData(),
                    QFile::encodeName(root + "/programs/shortcut.lnk").constData());
    text(root + "/programs/broken.lnk", "not a shell link");
    text(root + "/programs/notes.txt", "notes\n");
    text(root + "/programs/setup.ini", "[Setup]\n");

    platform::setSettingsFilePathOverride(root + "/zelmo32.INI");
    platform::SetUserNameSource([] { return QStringLiteral("山田"); });
    platform::SetDriveSource([root] { return QStringList{root}; });
    text(root + "/zelmo32.INI",
         "[FormStyle]\r\nViewerStyle=1\r\noldDirPath=" + (root + "/pictures").toUtf8() + "\r\n");

    TForm1 form;
    form.resize(820, 620);
    form.show();
    settle();
    browser::FilePanel& files = form.Files();
    shoot(form, out + "/pictures.png");
    files.ListBox1->SetItemIndex(4); // sunset.bmp
    files.ListBox1Click(files.ListBox1);
    shoot(form, out + "/pictures-selected.png");

    files.DirList2->SelectPath(root + "/programs");
    settle();
    files.ListBox1->SetItemIndex(0); // app.exe
    files.ListBox1Click(files.ListBox1);
    shoot(form, out + "/programs.png");
    files.ListBox1->SetItemIndex(6); // setup.ini, a file of no kind
    files.ListBox1Click(files.ListBox1);
    shoot(form, out + "/programs-text-selected.png");
    platform::SetDriveSource(nullptr);
    platform::SetUserNameSource(nullptr);
    platform::setSettingsFilePathOverride(QString());
    return 0;
}

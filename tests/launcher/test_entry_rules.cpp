#include "launcher/EntryRules.h"
#include "launcher/SlotPicture.h"
#include "platform/Errors.h"
#include "tests/pictures/TwoSizeIcon.h"
#include "ui/Resources.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace launcher;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {
const QString kData = QStringLiteral(ZELMO_TEST_DATA "/shell/");
const QColor kFace(212, 208, 200);

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QImage onFace(const QString& resource) {
    QImage work;
    return DrawIconOnFace(work, ui::resourcePixmap(resource).toImage(), kFace);
}
} // namespace

TEST(EntryRules, ExtensionKeys) {
    EXPECT_EQ(ExtensionKey("/a/b/photo.jpeg"), ".JPEG");
    EXPECT_EQ(ExtensionKey4("/a/b/photo.jpeg"), ".JPE");
    EXPECT_EQ(ExtensionKey("/a/b.d/tool"), "");
    EXPECT_EQ(ExtensionKey("/a/archive.tar.gz"), ".GZ");
    EXPECT_EQ(EntryFileName("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(FullPath("/home/ann/"), "/home/ann/");
    EXPECT_EQ(FullPath("/"), "/");
    EXPECT_EQ(FullPath("x.txt"), QDir::currentPath() + "/x.txt");
}

TEST(EntryRules, PictureDecisionTable) {
    using K = PictureChoice::Kind;
    struct Row {
        PictureRule rule;
        QString entry;
        K kind;
        QString resource;
    };
    const QList<Row> rows = {
        {PictureRule::StartUpMissing, "/gone/x.bmp", K::Resource, "ZELU"},
        {PictureRule::StartUpMissing, "/gone/x.exe", K::Resource, "ZELU"},
        {PictureRule::StartUpMissing, "/home/ann", K::Resource, "KUMA"},
        {PictureRule::StartUpMissing, "/", K::Resource, "KUMA"},
        {PictureRule::StartUpFile, "/x/pic.BMP", K::Bitmap, ""},
        {PictureRule::StartUpFile, "/x/pic.bmpx", K::Bitmap, ""}, // first four characters
        {PictureRule::StartUpFile, "/x/a.ico", K::IconFile, ""},
        {PictureRule::StartUpFile, "/x/tool", K::Extract, "USAGI"},
        {PictureRule::StartUpFile, "/x/a.txt", K::Extract, "USAGI"},
        {PictureRule::Drop, "/x/folder", K::Resource, "KUMA"},
        {PictureRule::Drop, "/x/a.exe", K::Extract, "USAGI"},
        {PictureRule::Drop, "/x/pic.bmp", K::Bitmap, ""},
        {PictureRule::Click, "/x/folder", K::Resource, "KUMA"},
        {PictureRule::Click, "/x/pic.bmpx", K::Extract, "USAGI"}, // the whole extension
        {PictureRule::Click, "/x/a.ico", K::IconFile, ""},
        {PictureRule::Menu, "/x/tool", K::Extract, "USAGI"},
        {PictureRule::Menu, "/x/a.icon", K::IconFile, ""},
        {PictureRule::LastLaunched, "/x/tool", K::Extract, "USAGI"},
        {PictureRule::LastLaunched, "/x/p.bmp", K::Bitmap, ""},
    };
    for (const Row& r : rows) {
        const PictureChoice c = ChoosePicture(r.rule, r.entry);
        EXPECT_EQ(c.kind, r.kind) << r.entry.toStdString() << " rule " << int(r.rule);
        EXPECT_EQ(c.resource, r.resource) << r.entry.toStdString() << " rule " << int(r.rule);
    }
}

TEST(EntryRules, ShortcutsAreResolvedExceptForTheLastLaunchedSlot) {
    QTemporaryDir tmp;
    const QString target = tmp.path() + "/app.exe";
    ASSERT_TRUE(QFile::copy(kData + "app.exe", target));
    const QString link = tmp.path() + "/App.LNK";
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()),
              0);
    const QString canonical = QDir(tmp.path()).canonicalPath() + "/app.exe";
    EXPECT_EQ(ChoosePicture(PictureRule::Drop, link).file, canonical);
    EXPECT_EQ(ChoosePicture(PictureRule::Menu, link).file, canonical);
    EXPECT_EQ(ChoosePicture(PictureRule::StartUpFile, link).file, canonical);
    EXPECT_EQ(ChoosePicture(PictureRule::Click, link).file, canonical);
    EXPECT_EQ(ChoosePicture(PictureRule::LastLaunched, link).file, link);
    // A shortcut to a program shows the program's icon.
    QImage work;
    const QImage pic = SlotPicture(ChoosePicture(PictureRule::Drop, link), work, kFace);
    EXPECT_EQ(pic.pixel(16, 16) & 0xFFFFFF, 0xFF0000u);
    // The last-launched slot looks at a shell-link file itself: no icon source, "USAGI".
    ASSERT_TRUE(QFile::copy(kData + "to_tmp.lnk", tmp.path() + "/tmp.lnk"));
    EXPECT_EQ(ChoosePicture(PictureRule::Menu, tmp.path() + "/tmp.lnk").file, "/tmp");
    EXPECT_EQ(
        SlotPicture(ChoosePicture(PictureRule::LastLaunched, tmp.path() + "/tmp.lnk"), work, kFace),
        onFace("USAGI"));
}

TEST(SlotPicture, RealFilesGiveTheirPictures) {
    QTemporaryDir tmp;
    // A 64 x 16 bitmap is stretched to 32 x 32.
    QImage bmp(64, 16, QImage::Format_RGB32);
    bmp.fill(QColor(0, 0, 255));
    bmp.setPixel(0, 0, qRgb(255, 255, 0));
    ASSERT_TRUE(bmp.save(tmp.path() + "/wide.bmp", "BMP"));
    QImage work;
    const QImage shown =
        SlotPicture(ChoosePicture(PictureRule::Drop, tmp.path() + "/wide.bmp"), work, kFace);
    EXPECT_EQ(shown.size(), QSize(32, 32));
    EXPECT_EQ(shown.pixel(16, 16) & 0xFFFFFF, 0x0000FFu);

    ASSERT_TRUE(QFile::copy(kData + "icon.ico", tmp.path() + "/a.ico"));
    const QImage ico =
        SlotPicture(ChoosePicture(PictureRule::Menu, tmp.path() + "/a.ico"), work, kFace);
    EXPECT_EQ(ico.size(), QSize(32, 32));
    EXPECT_EQ(ico.pixel(16, 16) & 0xFFFFFF, 0xFF00FFu);

    ASSERT_TRUE(QFile::copy(kData + "app.exe", tmp.path() + "/app.exe"));
    const QImage exe =
        SlotPicture(ChoosePicture(PictureRule::Click, tmp.path() + "/app.exe"), work, kFace);
    EXPECT_EQ(exe.pixel(16, 16) & 0xFFFFFF, 0xFF0000u);
    // The work image holds the last composed picture.
    EXPECT_EQ(work, exe);

    writeFile(tmp.path() + "/notes.txt", "text");
    EXPECT_EQ(SlotPicture(ChoosePicture(PictureRule::Menu, tmp.path() + "/notes.txt"), work, kFace),
              onFace("USAGI"));
    EXPECT_EQ(SlotPicture(ChoosePicture(PictureRule::Drop, tmp.path()), work, kFace),
              onFace("KUMA"));
    EXPECT_FALSE(onFace("KUMA").isNull());
    EXPECT_NE(onFace("KUMA"), onFace("ZELU"));
}

// At each screen ratio: the picture's device size and ratio, what it was made from, and
// pixel art enlarged by whole pixels.
TEST(SlotPicture, MadeAtTheScreensResolution) {
    QTemporaryDir tmp;
    const QString ico = tmp.path() + "/two.ico";
    writeFile(ico, testpics::twoSizeIcon());
    QImage bmp(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            bmp.setPixel(x, y, testpics::ink(x, y) ? testpics::kInk : testpics::kPaper);
    ASSERT_TRUE(bmp.save(tmp.path() + "/checked.bmp", "BMP"));
    ASSERT_TRUE(QFile::copy(kData + "app.exe", tmp.path() + "/app.exe"));
    using K = PictureChoice::Kind;
    // Device pixels alternate ink and paper: made from the 64 x 64 image, unscaled.
    const auto checked = [](const QImage& img) {
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((img.pixel(x, y) | 0xff000000) !=
                    (testpics::ink(x, y) ? testpics::kInk : testpics::kPaper))
                    return false;
        return true;
    };
    const auto grey = [](const QImage& img) {
        return (img.pixel(5, 5) & 0xFFFFFF) == 0x808080u &&
               (img.pixel(6, 5) & 0xFFFFFF) == 0x808080u;
    };
    for (const qreal ratio : {1.0, 1.25, 2.0}) {
        SCOPED_TRACE(ratio);
        const int side = ratio == 1.0 ? 32 : ratio == 1.25 ? 40 : 64;
        QImage work;
        const QImage iconFile = SlotPicture({K::IconFile, ico, ""}, work, kFace, ratio);
        const QImage extracted = SlotPicture({K::Extract, ico, "USAGI"}, work, kFace, ratio);
        const QImage bitmap =
            SlotPicture({K::Bitmap, tmp.path() + "/checked.bmp", ""}, work, kFace, ratio);
        const QImage exe =
            SlotPicture({K::Extract, tmp.path() + "/app.exe", "USAGI"}, work, kFace, ratio);
        const QImage usagi = SlotPicture({K::Resource, "", "USAGI"}, work, kFace, ratio);
        for (const QImage* img : {&iconFile, &extracted, &bitmap, &exe, &usagi}) {
            EXPECT_EQ(img->size(), QSize(side, side));
            EXPECT_EQ(img->devicePixelRatio(), ratio);
            EXPECT_EQ(img->deviceIndependentSize(), QSizeF(32, 32));
        }
        // The icon's 32 x 32 image at ratio 1; at 2 its 64 x 64 one, pixel for pixel.
        EXPECT_EQ(grey(iconFile), ratio == 1.0);
        EXPECT_EQ(grey(extracted), ratio == 1.0);
        EXPECT_EQ(checked(iconFile), ratio == 2.0);
        EXPECT_EQ(checked(extracted), ratio == 2.0);
        EXPECT_EQ(checked(bitmap), ratio == 2.0);
        EXPECT_EQ(exe.pixel(side / 2, side / 2) & 0xFFFFFF, 0xFF0000u);
        // Pixel art: enlarged by repeating pixels, never blended (at 2, blocks of 2 x 2).
        const QImage plain = onFace("USAGI");
        const QImage shown = usagi.convertToFormat(plain.format());
        QSet<QRgb> colours;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                colours.insert(plain.pixel(x, y));
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                ASSERT_TRUE(colours.contains(shown.pixel(x, y))) << x << "," << y;
                if (ratio == 2.0) {
                    ASSERT_EQ(shown.pixel(x, y), plain.pixel(x / 2, y / 2)) << x << "," << y;
                }
            }
    }
}

TEST(SlotPicture, UnreadablePicturesRaiseTheError) {
    QTemporaryDir tmp;
    writeFile(tmp.path() + "/broken.bmp", "not a bitmap");
    QImage work;
    try {
        SlotPicture(ChoosePicture(PictureRule::Click, tmp.path() + "/broken.bmp"), work, kFace);
        FAIL() << "no error";
    } catch (const EZelmoError& e) {
        EXPECT_EQ(e.text(), tmp.path() + "/broken.bmp を読み込めません");
    }
    EXPECT_THROW(
        SlotPicture(ChoosePicture(PictureRule::Menu, tmp.path() + "/gone.ico"), work, kFace),
        EZelmoError);
}

TEST(EntryRules, HintsAndCaptions) {
    EXPECT_EQ(EntryHint(PictureRule::StartUpFile, "/home/ann/bin/edit.sh"), "edit.sh");
    EXPECT_EQ(EntryHint(PictureRule::StartUpMissing, "/home/ann/gone.sh"), "/home/ann/gone.sh");
    EXPECT_EQ(EntryHint(PictureRule::Drop, "/home/ann/a.txt"), "/home/ann/a.txt");
    EXPECT_EQ(LastLaunchedHint("/home/ann/a.txt"), "直前に呼び出したお友達 ( /home/ann/a.txt )");
    EXPECT_EQ(UnregisteredHint(0), "未登録 1");
    EXPECT_EQ(RemovedHint(4), "解除後 5");
    EXPECT_EQ(RegistrationCaption(2, "/home/ann/a.txt"), "登録 3  a.txt");
    EXPECT_EQ(RegistrationCaption(13, "/home/ann/docs"), "登録 14  /home/ann/docs");
    EXPECT_EQ(RegistrationCaption(0, ""), "登録 1  ");
    EXPECT_EQ(PageSection(0), "Page1");
    EXPECT_EQ(SlotKey(13), "BPFileName13");
}

TEST(EntryRules, WholeQuestionAndMessageTexts) {
    EXPECT_EQ(RemovalQuestion("/home/ann/bin/edit.sh"),
              "/home/ann/bin/   の\r\n\r\n＜  edit.sh  ＞  を\r\n\r\n"
              "ボタン登録から解除します。\r\n\r\nよろしいですか ? ");
    EXPECT_EQ(
        RemovalQuestion("/home/ann/docs"),
        "＜  /home/ann/docs  ＞  を\r\n\r\nボタン登録から解除します。\r\n\r\nよろしいですか ? ");
    EXPECT_EQ(RemovalQuestion("/"),
              "＜  /  ＞  を\r\n\r\nボタン登録から解除します。\r\n\r\nよろしいですか ? ");
    EXPECT_EQ(NotFoundMessage("/home/ann/gone.sh"),
              "指定の  /home/ann/gone.sh  は、\r\n\r\n  起動できませんでした。\r\n\r\n"
              "ドライブの用意は、できていますか ？\r\n\r\n"
              "登録後、ファイルを移動したり、削除されませんでしたか ？");
}

#include "platform/FsName.h"
#include "platform/IconExtract.h"
#include "platform/PeIcon.h"
#include "platform/Shortcut.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

// Readable failure output for texts.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {
const QString kGood = QStringLiteral(ZELMO_TEST_DATA "/shell/");
const QString kDamaged = QStringLiteral(ZELMO_TEST_DATA "/damaged/");

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QRgb centre(const QImage& img) {
    return img.pixel(img.width() / 2, img.height() / 2);
}
} // namespace

TEST(IconExtract, ProgramsLibrariesAndIconFiles) {
    const ExtractedIcon exe = ExtractIcon(kGood + "app.exe");
    ASSERT_EQ(exe.outcome, IconOutcome::Icon);
    EXPECT_EQ(exe.image.size(), QSize(32, 32)); // the 32 x 32 image, not the 16 x 16 one
    EXPECT_EQ(qRed(centre(exe.image)), 255);
    EXPECT_EQ(qBlue(centre(exe.image)), 0);

    const ExtractedIcon dll = ExtractIcon(kGood + "app64.dll"); // PE32+, icon stored as PNG
    ASSERT_EQ(dll.outcome, IconOutcome::Icon);
    EXPECT_EQ(dll.image.size(), QSize(32, 32));
    EXPECT_EQ(qGreen(centre(dll.image)), 200);

    EXPECT_EQ(ExtractIcon(kGood + "noicon.exe").outcome, IconOutcome::NoIcon);

    const ExtractedIcon ico = ExtractIcon(kGood + "icon.ico");
    ASSERT_EQ(ico.outcome, IconOutcome::Icon);
    EXPECT_EQ(ico.image.size(), QSize(32, 32));
    EXPECT_EQ(centre(ico.image) & 0xFFFFFF, 0xFF00FFu);
    EXPECT_EQ(ExtractIcon(kGood + "pointer.cur").outcome, IconOutcome::Icon);
}

TEST(IconExtract, OtherFilesAndDesktopEntries) {
    QTemporaryDir tmp;
    writeFile(tmp.path() + "/readme.txt", "hello");
    EXPECT_EQ(ExtractIcon(tmp.path() + "/readme.txt").outcome, IconOutcome::NoIconSource);
    EXPECT_EQ(ExtractIcon(tmp.path() + "/missing.txt").outcome, IconOutcome::NoIconSource);
    EXPECT_EQ(ExtractIcon(tmp.path()).outcome, IconOutcome::NoIconSource);
    writeFile(tmp.path() + "/mz.txt", "MZ but not a program");
    EXPECT_EQ(ExtractIcon(tmp.path() + "/mz.txt").outcome, IconOutcome::NoIcon);
    writeFile(tmp.path() + "/broken.ico", "not an icon");
    EXPECT_EQ(ExtractIcon(tmp.path() + "/broken.ico").outcome, IconOutcome::NoIcon);

    // ELF programs show a program icon (the theme's, or our own when it has none).
    const QString self = QCoreApplication::applicationFilePath();
    const ExtractedIcon elf = ExtractIcon(self);
    ASSERT_EQ(elf.outcome, IconOutcome::Icon);
    EXPECT_FALSE(elf.image.isNull());
    QFile::copy(self, tmp.path() + "/not-executable");
    ::chmod(QFile::encodeName(tmp.path() + "/not-executable").constData(), 0644);
    EXPECT_EQ(ExtractIcon(tmp.path() + "/not-executable").outcome, IconOutcome::NoIconSource);

    writeFile(
        tmp.path() + "/a.desktop",
        ("[Desktop Entry]\nType=Application\nExec=true\nIcon=" + kGood + "icon.ico\n").toUtf8());
    const ExtractedIcon desk = ExtractIcon(tmp.path() + "/a.desktop");
    ASSERT_EQ(desk.outcome, IconOutcome::Icon);
    EXPECT_EQ(desk.image.size(), QSize(32, 32));
    writeFile(tmp.path() + "/b.desktop", "[Desktop Entry]\nType=Application\nExec=true\n");
    EXPECT_EQ(ExtractIcon(tmp.path() + "/b.desktop").outcome, IconOutcome::NoIcon);
    writeFile(tmp.path() + "/c.desktop",
              "[Desktop Entry]\nExec=true\nIcon=no-such-icon-name-anywhere\n");
    EXPECT_EQ(ExtractIcon(tmp.path() + "/c.desktop").outcome, IconOutcome::NoIcon);
}

TEST(IconExtract, NamesThatAreNotUtf8) {
    QTemporaryDir tmp;
    const QString name = tmp.path() + "/" + fromFsBytes(QByteArray("\x83\x81\x83\x82.exe"));
    const QByteArray bytes = readAll(kGood + "app.exe");
    FILE* f = ::fopen(toFsBytes(name).constData(), "wb");
    ASSERT_NE(f, nullptr);
    ::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
    ::fclose(f);
    EXPECT_EQ(ExtractIcon(name).outcome, IconOutcome::Icon);
    const QString link = tmp.path() + "/" + fromFsBytes(QByteArray("\x8e\xc0.lnk"));
    ASSERT_EQ(::symlink(toFsBytes(name).constData(), toFsBytes(link).constData()), 0);
    EXPECT_EQ(toFsBytes(ResolveShortcut(link)),
              QDir(tmp.path()).canonicalPath().toUtf8() + "/\x83\x81\x83\x82.exe");
}

TEST(IconExtract, DamagedProgramsGiveNoIcon) {
    const QStringList files = QDir(kDamaged).entryList({"*.exe"}, QDir::Files);
    ASSERT_GE(files.size(), 15);
    for (const QString& name : files)
        EXPECT_EQ(ExtractIcon(kDamaged + name).outcome, IconOutcome::NoIcon) << name.toStdString();
}

TEST(IconExtract, EveryCutAndManyMutationsOfAProgramAreSafe) {
    const QByteArray exe = readAll(kGood + "app.exe");
    ASSERT_TRUE(iconFileFromPe(exe).has_value());
    // The image data of the 32 x 32 icon ends near the end of the resources; any cut
    // before the resource directory is complete gives nothing.
    for (qsizetype n = 0; n < exe.size(); ++n) {
        // A private copy, so that a read past the cut is caught by the sanitizers.
        const QByteArray cut(exe.constData(), n);
        const auto ico = iconFileFromPe(cut);
        if (n < 0x200 + 0x40) {
            EXPECT_FALSE(ico.has_value()) << n;
        }
        if (ico)
            bestIconImage(*ico);
    }
    QRandomGenerator rng(32);
    for (int round = 0; round < 3000; ++round) {
        QByteArray m = exe;
        for (int k = 0; k < 4; ++k)
            m[rng.bounded(int(m.size()))] = char(rng.bounded(256));
        const auto ico = iconFileFromPe(m);
        if (ico)
            bestIconImage(*ico);
    }
}

TEST(Shortcut, ShellLinksAndSymbolicLinks) {
    EXPECT_EQ(ResolveShortcut(kGood + "to_tmp.lnk"), "/tmp");
    EXPECT_EQ(ResolveShortcut(kGood + "to_tmp_unicode.lnk"), "/tmp");
    // Stored, but not a path on this system.
    EXPECT_EQ(shellLinkLocalPath(readAll(kGood + "to_windows.lnk")),
              QString("C:\\WINDOWS\\NOTEPAD.EXE"));
    EXPECT_EQ(ResolveShortcut(kGood + "to_windows.lnk"), kGood + "to_windows.lnk");

    QTemporaryDir tmp;
    writeFile(tmp.path() + "/target.exe", "x");
    ASSERT_EQ(::symlink(QFile::encodeName(tmp.path() + "/target.exe").constData(),
                        QFile::encodeName(tmp.path() + "/prog.lnk").constData()),
              0);
    EXPECT_EQ(ResolveShortcut(tmp.path() + "/prog.lnk"),
              QDir(tmp.path()).canonicalPath() + "/target.exe");
    ASSERT_EQ(::symlink("/no/such/target", QFile::encodeName(tmp.path() + "/dead.lnk").constData()),
              0);
    EXPECT_EQ(ResolveShortcut(tmp.path() + "/dead.lnk"), tmp.path() + "/dead.lnk");
    writeFile(tmp.path() + "/text.lnk", "just text");
    EXPECT_EQ(ResolveShortcut(tmp.path() + "/text.lnk"), tmp.path() + "/text.lnk");
    EXPECT_EQ(ResolveShortcut(tmp.path() + "/missing.lnk"), tmp.path() + "/missing.lnk");
}

TEST(Shortcut, DamagedLinksGiveThePathItself) {
    const QStringList files = QDir(kDamaged).entryList({"*.lnk"}, QDir::Files);
    ASSERT_GE(files.size(), 10);
    for (const QString& name : files)
        EXPECT_EQ(ResolveShortcut(kDamaged + name), kDamaged + name) << name.toStdString();
    const QByteArray link = readAll(kGood + "to_tmp.lnk");
    for (qsizetype n = 0; n < link.size(); ++n) {
        const QByteArray cut(link.constData(), n);
        EXPECT_FALSE(shellLinkLocalPath(cut).has_value()) << n;
    }
    QRandomGenerator rng(7);
    for (int round = 0; round < 3000; ++round) {
        QByteArray m = link;
        for (int k = 0; k < 3; ++k)
            m[rng.bounded(int(m.size()))] = char(rng.bounded(256));
        shellLinkLocalPath(m);
    }
}

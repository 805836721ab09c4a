#include "platform/FsName.h"
#include "platform/Shell.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
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
void writeFile(const QString& path, const QByteArray& content, bool executable = false) {
    const QByteArray p = toFsBytes(path);
    int fd = ::open(p.constData(), O_WRONLY | O_CREAT | O_TRUNC, executable ? 0755 : 0644);
    ASSERT_GE(fd, 0) << p.constData();
    ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
    ::close(fd);
}

QByteArray waitForFile(const QString& path, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            QByteArray data = f.readAll();
            if (data.endsWith('\n'))
                return data;
        }
        QThread::msleep(20);
    }
    return {};
}

// Services that start nothing and say yes only for the MIME types given.
DesktopServices fakeServices(QStringList known, QStringList* asked = nullptr) {
    DesktopServices s;
    s.opener = {"/usr/bin/opener", "open"};
    s.hasApplication = [known, asked](const QString& mime) {
        if (asked)
            asked->append(mime);
        return known.contains(mime);
    };
    return s;
}
} // namespace

TEST(EntryFolder, CutsAtTheLastSlashAndKeepsTheRoot) {
    EXPECT_EQ(EntryFolder("/home/ann/bin/edit"), "/home/ann/bin");
    EXPECT_EQ(EntryFolder("/edit"), "/");
    EXPECT_EQ(EntryFolder("edit"), "");
    EXPECT_EQ(EntryFolder("/home/ann/"), "/home/ann");
    EXPECT_EQ(EntryFolder(""), "");
}

TEST(CommandLine, SplitsLikeWindows) {
    EXPECT_EQ(SplitCommandLine(""), QStringList());
    EXPECT_EQ(SplitCommandLine("   "), QStringList());
    EXPECT_EQ(SplitCommandLine("\"\""), QStringList{""});
    EXPECT_EQ(SplitCommandLine("\"/tmp/my notes.txt\""), QStringList{"/tmp/my notes.txt"});
    EXPECT_EQ(SplitCommandLine("a  b\tc"), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(SplitCommandLine("-x \"a b\"c d"), (QStringList{"-x", "a bc", "d"}));
    EXPECT_EQ(SplitCommandLine("\"a\"\"b\""), QStringList{"a\"b"});
    EXPECT_EQ(SplitCommandLine("a\\\\b"), QStringList{"a\\\\b"});       // not before a quote
    EXPECT_EQ(SplitCommandLine("a\\\\\"b c\""), QStringList{"a\\b c"}); // 2n: n and a group
    EXPECT_EQ(SplitCommandLine("a\\\"b"), QStringList{"a\"b"});         // 2n+1: a quote
    EXPECT_EQ(SplitCommandLine("\"\" \"\""), (QStringList{"", ""}));
    EXPECT_EQ(SplitCommandLine("\"open"), QStringList{"open"}); // unclosed quote ends the text
}

TEST(CommandLine, QuotedArgumentsComeBackWhole) {
    EXPECT_EQ(QuoteArgument("/home/ann/a b.txt"), "\"/home/ann/a b.txt\"");
    for (const QString& s : {QString("plain"), QString(""), QString("say \"hi\""),
                             QString("ends\\"), QString("a\\\\\"b"), QString("日本語 名前")}) {
        EXPECT_EQ(SplitCommandLine(QuoteArgument(s)), QStringList{s}) << s.toStdString();
    }
    const QString longPath = "/tmp/" + QString(600, 'x');
    EXPECT_EQ(SplitCommandLine(QuoteArgument(longPath)), QStringList{longPath});
}

TEST(CommandLine, ExplorerSwitches) {
    EXPECT_EQ(ExplorerTarget("/n,/e,/home/ann"), "/home/ann");
    EXPECT_EQ(ExplorerTarget("/N,/E,/home/ann/my docs"), "/home/ann/my docs");
    EXPECT_EQ(ExplorerTarget("/n,/e,"), "");
    EXPECT_EQ(ExplorerTarget(""), "");
    EXPECT_EQ(ExplorerTarget("/home/ann"), "/home/ann");
    EXPECT_EQ(ExplorerTarget("/n,/e,\"/a b\""), "/a b");
    EXPECT_EQ(ExplorerTarget("/select,/a/b.txt"), "/a/b.txt");
}

TEST(ShellPlan, NotFoundResultsDependOnTheFolder) {
    QTemporaryDir tmp;
    const DesktopServices s = fakeServices({});
    EXPECT_EQ(PlanShellStart(tmp.path() + "/gone.exe", "", "", s).result, kShellFileNotFound);
    EXPECT_EQ(PlanShellStart(tmp.path() + "/nofolder/gone.exe", "", "", s).result,
              kShellPathNotFound);
    EXPECT_EQ(PlanShellStart("", "", "", s).result, kShellFileNotFound);
    // A long name is looked up whole, not cut at 255 bytes to some other file.
    const QString longName = tmp.path() + "/" + QString(200, 'a');
    writeFile(longName, "x");
    EXPECT_EQ(PlanShellStart(longName + QString(100, 'b'), "", "", s).result, kShellFileNotFound);
}

TEST(ShellPlan, FoldersProgramsAndDocuments) {
    QTemporaryDir tmp;
    QStringList asked;
    const DesktopServices s = fakeServices({"text/plain"}, &asked);

    const ShellPlan folder = PlanShellStart(tmp.path(), "", "", s);
    EXPECT_GT(folder.result, 32);
    EXPECT_EQ(folder.program, "/usr/bin/opener");
    EXPECT_EQ(folder.arguments, (QStringList{"open", tmp.path()}));

    const QString script = tmp.path() + "/tool.sh";
    writeFile(script, "#!/bin/sh\nexit 0\n", true);
    const ShellPlan prog = PlanShellStart(script, "\"/x/a b.txt\" \"\"", tmp.path(), s);
    EXPECT_GT(prog.result, 32);
    EXPECT_EQ(prog.program, script);
    EXPECT_EQ(prog.arguments, (QStringList{"/x/a b.txt", ""}));
    EXPECT_EQ(prog.workingDirectory, tmp.path());

    // Without the execute bit a script is a document like any other.
    const QString plainScript = tmp.path() + "/notes.sh";
    writeFile(plainScript, "#!/bin/sh\n");
    const ShellPlan doc = PlanShellStart(plainScript, "", "", s);
    EXPECT_GT(doc.result, 32);
    EXPECT_EQ(doc.arguments, (QStringList{"open", plainScript}));

    // A document whose type nobody opens.
    const QString pic = tmp.path() + "/odd.zzqq";
    writeFile(pic, QByteArray("\x00\x01\x02\x03", 4));
    asked.clear();
    EXPECT_EQ(PlanShellStart(pic, "", "", s).result, kShellNoAssociation);
    EXPECT_FALSE(asked.isEmpty());

    DesktopServices none;
    EXPECT_EQ(PlanShellStart(tmp.path(), "", "", none).result, kShellNoAssociation);
}

TEST(ShellPlan, DesktopEntriesStartTheirApplication) {
    QTemporaryDir tmp;
    const DesktopServices s = fakeServices({});
    const QString tool = tmp.path() + "/tool.sh";
    writeFile(tool, "#!/bin/sh\n", true);
    const QString entry = tmp.path() + "/tool.desktop";
    writeFile(entry, ("[Desktop Entry]\nType=Application\nName=Tool\nExec=\"" + tool +
                      "\" --open %F --name=%c\nPath=/tmp\n[Other]\nExec=nothing\n")
                         .toUtf8());
    const ShellPlan p = PlanShellStart(entry, "\"/a b\" c", tmp.path(), s);
    EXPECT_GT(p.result, 32);
    EXPECT_EQ(p.program, tool);
    EXPECT_EQ(p.arguments, (QStringList{"--open", "/a b", "c", "--name=Tool"}));
    EXPECT_EQ(p.workingDirectory, "/tmp");

    writeFile(entry, "[Desktop Entry]\nType=Application\nExec=/no/such/program %f\n");
    EXPECT_EQ(PlanShellStart(entry, "", "", s).result, kShellFileNotFound);
    writeFile(entry, "[Desktop Entry]\nType=Application\nExec=\"unclosed\n");
    EXPECT_EQ(PlanShellStart(entry, "", "", s).result, kShellNoAssociation);
    writeFile(entry, "[Desktop Entry]\nType=Link\nURL=https://example.org/\n");
    const ShellPlan link = PlanShellStart(entry, "", "", s);
    EXPECT_EQ(link.arguments, (QStringList{"open", "https://example.org/"}));
}

TEST(ShellPlan, ExplorerOpensTheFileManager) {
    QTemporaryDir tmp;
    const DesktopServices s = fakeServices({});
    auto target = [&](const QString& file, const QString& params) {
        const ShellPlan p = PlanShellStart(file, params, "", s);
        EXPECT_GT(p.result, 32);
        return p.arguments.value(1);
    };
    EXPECT_EQ(target("explorer", ""), QDir::homePath());
    EXPECT_EQ(target("explorer.exe", "/n,/e," + tmp.path()), tmp.path());
    EXPECT_EQ(target("/mnt/c/WINDOWS/EXPLORER.EXE", tmp.path()), tmp.path());
    // A vanished entry shows the nearest folder that is still there.
    EXPECT_EQ(target("explorer.exe", "/n,/e," + tmp.path() + "/gone/deeper.exe"), tmp.path());
    writeFile(tmp.path() + "/f.txt", "x");
    EXPECT_EQ(target("explorer.exe", "/n,/e," + tmp.path() + "/f.txt"), tmp.path());
}

TEST(ShellPlan, NamesThatAreNotUtf8) {
    QTemporaryDir tmp;
    const QString dir = tmp.path() + "/" + fromFsBytes(QByteArray("\x83\x81\x83\x82"));
    ASSERT_EQ(::mkdir(toFsBytes(dir).constData(), 0755), 0);
    const QString script = dir + "/" + fromFsBytes(QByteArray("\x8e\xc0\x8d\x73.sh"));
    writeFile(script, "#!/bin/sh\n", true);
    const ShellPlan p = PlanShellStart(script, "", dir, fakeServices({}));
    EXPECT_GT(p.result, 32);
    EXPECT_EQ(toFsBytes(p.program), toFsBytes(script));
}

TEST(ShellStart, RecorderTakesTheCallsAndAnswers) {
    ShellRecorder rec;
    rec.answer(kShellFileNotFound);
    EXPECT_EQ(ShellStart("/x/a", "\"p\"", "/x", SW_SHOW), kShellFileNotFound);
    EXPECT_EQ(ShellStart("explorer", "", "", SW_SHOW), kShellStarted);
    ASSERT_EQ(rec.calls().size(), 2);
    EXPECT_EQ(rec.calls()[0].file, "/x/a");
    EXPECT_EQ(rec.calls()[0].parameters, "\"p\"");
    EXPECT_EQ(rec.calls()[0].directory, "/x");
    EXPECT_EQ(rec.calls()[0].showCmd, SW_SHOW);
}

TEST(ShellStart, FailuresToSpawnAreNotSuccess) {
    QTemporaryDir tmp;
    ShellPlan p;
    p.program = tmp.path() + "/missing-program";
    EXPECT_LE(RunShellPlan(p), 32);
    // An interpreter that does not exist: the script cannot run.
    const QString script = tmp.path() + "/bad.sh";
    writeFile(script, "#!/no/such/interpreter\n", true);
    EXPECT_EQ(ShellStart(script, "", tmp.path(), SW_SHOW), kShellBadFormat);
    writeFile(tmp.path() + "/ok.sh", "#!/bin/sh\nexit 0\n", true);
    EXPECT_EQ(ShellStart(tmp.path() + "/ok.sh", "", tmp.path() + "/no-dir", SW_SHOW),
              kShellPathNotFound);
}

TEST(ShellStart, StartsARealScriptWithItsArgumentsAndFolder) {
    QTemporaryDir tmp;
    const QString dir = tmp.path() + "/" + fromFsBytes(QByteArray("work \x83\x81"));
    ASSERT_EQ(::mkdir(toFsBytes(dir).constData(), 0755), 0);
    const QString marker = tmp.path() + "/marker.txt";
    const QString script = dir + "/write marker.sh";
    writeFile(script,
              ("#!/bin/sh\nprintf '%s|%s|%s|%s\\n' \"$#\" \"$1\" \"$2\" \"$(pwd)\" > '" + marker +
               ".part'\nmv '" + marker + ".part' '" + marker + "'\n")
                  .toUtf8(),
              true);
    EXPECT_GT(ShellStart(script, "\"/home/ann/my file.txt\" \"\"", dir, SW_SHOW), 32);
    const QByteArray got = waitForFile(marker);
    EXPECT_EQ(got, "2|/home/ann/my file.txt||" + toFsBytes(dir) + "\n");
}

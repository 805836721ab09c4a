// Every writer killed at each step that changes the disk: sources stay whole, a destination
// is its old or its new version whole, and the next write into the folder clears the
// temporaries left. The same writers under ulimit -f report the failure and live on.
#include "base/TempFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct DriverRun {
    bool killed = false;
    int exitCode = -1;
    long steps = 0;
    QByteArray output;
};

// Runs the driver with the arguments and environment settings ("NAME=value"); fileLimit
// > 0 runs it under that ulimit -f (bytes).
DriverRun runDriver(const QList<QByteArray>& args, const QList<QByteArray>& env = {},
                    rlim_t fileLimit = 0) {
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        for (const QByteArray& e : env)
            ::putenv(::strdup(e.constData()));
        if (fileLimit > 0) {
            struct rlimit limit;
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = fileLimit;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv{const_cast<char*>(ZELMO_WRITE_DRIVER)};
        for (const QByteArray& a : args)
            argv.push_back(const_cast<char*>(a.constData()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    DriverRun run;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
        run.output.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.killed = WIFSIGNALED(status);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    const qsizetype at = run.output.lastIndexOf("steps ");
    if (at >= 0)
        run.steps = run.output.mid(at + 6).trimmed().toLong();
    return run;
}

QByteArray readBytes(const QByteArray& path) {
    QFile f(QFile::decodeName(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QByteArray& path, const QByteArray& bytes) {
    QFile f(QFile::decodeName(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QList<QByteArray> temporaries(const QByteArray& folder) {
    QList<QByteArray> found;
    if (DIR* d = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(d))
            if (QByteArray(e->d_name).startsWith(ZELMO_TEMP_PREFIX))
                found.append(e->d_name);
        ::closedir(d);
    }
    return found;
}

class WriteKillTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = QFile::encodeName(tmp.path());
        writeBytes(root + "/next.txt", "the next write");
    }
    // Folder made empty (again).
    QByteArray fresh(const char* name) {
        const QByteArray folder = root + "/" + name;
        QDir(QFile::decodeName(folder)).removeRecursively();
        EXPECT_EQ(::mkdir(folder.constData(), 0755), 0);
        return folder;
    }
    // The write run whole once, then killed before each of its steps in turn, with
    // unnamed and with named temporaries. After each kill, check() judges the disk and a
    // copy into folder (the next write there) must leave no temporary of ours.
    void killAtEachStep(const std::function<void()>& prepare, const QList<QByteArray>& args,
                        const QList<QByteArray>& env, const QByteArray& folder,
                        const std::function<void()>& check) {
        for (const char* named : {"ZELMO_NAMED_TEMP=0", "ZELMO_NAMED_TEMP=1"}) {
            prepare();
            const DriverRun whole = runDriver(args, env + QList<QByteArray>{named});
            ASSERT_EQ(whole.exitCode, 0) << whole.output.constData();
            ASSERT_GE(whole.steps, 2);
            check();
            for (long at = 1; at <= whole.steps; ++at) {
                SCOPED_TRACE((QByteArray(named) + " killed at step " + QByteArray::number(at))
                                 .toStdString());
                prepare();
                const DriverRun killed =
                    runDriver(args, env + QList<QByteArray>{named, "ZELMO_KILL_AT=" +
                                                                       QByteArray::number(at)});
                EXPECT_TRUE(killed.killed) << killed.output.constData();
                check();
                // What the next write into the folder does first (one real one below).
                const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
                zelmo_remove_stale_temps(dir);
                ::close(dir);
                EXPECT_TRUE(temporaries(folder).isEmpty());
            }
        }
        // Killed once more where a named temporary stands, then a real next write.
        prepare();
        runDriver(args, env + QList<QByteArray>{"ZELMO_NAMED_TEMP=1", "ZELMO_KILL_AT=3"});
        const DriverRun next = runDriver({"copy", root + "/next.txt", folder});
        EXPECT_EQ(next.exitCode, 0) << next.output.constData();
        EXPECT_TRUE(temporaries(folder).isEmpty());
    }
    QTemporaryDir tmp;
    QByteArray root;
};

const QByteArray kNew("the new content\n");
const QByteArray kOld("the old content, longer than the new one\n");

bool oldOrNew(const QByteArray& bytes, const QByteArray& old) {
    return bytes == old || bytes == kNew;
}

} // namespace

TEST_F(WriteKillTest, CopyAndMoveLeaveSourcesWholeAndDestinationsOldOrNew) {
    const QByteArray src = root + "/src", dst = root + "/dst";
    for (const bool overwrite : {false, true}) {
        SCOPED_TRACE(overwrite ? "over an old file" : "to a new name");
        const auto prepare = [&] {
            fresh("src");
            fresh("dst");
            writeBytes(src + "/file.txt", kNew);
            if (overwrite)
                writeBytes(dst + "/file.txt", kOld);
        };
        const QByteArray old = overwrite ? kOld : QByteArray("<missing>");
        killAtEachStep(prepare, {"copy", src + "/file.txt", dst}, {}, dst, [&] {
            EXPECT_EQ(readBytes(src + "/file.txt"), kNew);
            EXPECT_TRUE(oldOrNew(readBytes(dst + "/file.txt"), old));
        });
        // A move to another file system: copied, then the source set aside and removed.
        killAtEachStep(prepare, {"move", src + "/file.txt", dst}, {"ZELMO_EXDEV=1"}, dst, [&] {
            const QByteArray there = readBytes(dst + "/file.txt");
            EXPECT_TRUE(oldOrNew(there, old));
            bool whole = there == kNew || readBytes(src + "/file.txt") == kNew;
            if (!whole) // set aside but not removed yet: still whole under the aside name
                if (DIR* d = ::opendir(src.constData())) {
                    while (const dirent* e = ::readdir(d))
                        whole = whole || (QByteArray(e->d_name).startsWith(ZELMO_ASIDE_PREFIX) &&
                                          readBytes(src + "/" + e->d_name) == kNew);
                    ::closedir(d);
                }
            EXPECT_TRUE(whole);
        });
    }
}

// The direct way (a chunk per block here) killed before each read and write of its chunks
// and of its tail: the destination is missing or whole.
TEST_F(WriteKillTest, ADirectCopyKilledAtEachStepLeavesNothingHalf) {
    const QByteArray src = root + "/src", dst = root + "/dst";
    QByteArray content(3 * 4096 + 100, '\0');
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char(i * 7 + i / 4096);
    const auto prepare = [&] {
        fresh("src");
        fresh("dst");
        writeBytes(src + "/file.bin", content);
    };
    killAtEachStep(prepare, {"copy", src + "/file.bin", dst}, {"ZELMO_DIRECT=1"}, dst, [&] {
        EXPECT_EQ(readBytes(src + "/file.bin"), content);
        const QByteArray there = readBytes(dst + "/file.bin");
        EXPECT_TRUE(there == "<missing>" || there == content);
    });
}

TEST_F(WriteKillTest, EditorSaveSettingsAndExtractionLeaveOldOrNew) {
    const QByteArray folder = root + "/work";
    const QByteArray text = root + "/new.txt";
    writeBytes(text, kNew);
    killAtEachStep([&] { fresh("work"), writeBytes(folder + "/doc.txt", kOld); },
                   {"save", folder + "/doc.txt", text}, {}, folder,
                   [&] { EXPECT_TRUE(oldOrNew(readBytes(folder + "/doc.txt"), kOld)); });

    const QByteArray ini = folder + "/zelmo32.INI";
    const QByteArray before = "[Page1]\nBPFileName0=/bin/true\n[FormStyle]\nViewerStyle=1\n";
    killAtEachStep(
        [&] { fresh("work"), writeBytes(ini, before); },
        {"settings", ini, "FormStyle", "ViewerStyle", "0"}, {}, folder,
        [&] {
            const QByteArray now = readBytes(ini);
            EXPECT_TRUE(now == before || now == QByteArray(before).replace("Style=1", "Style=0"))
                << now.constData();
        });

    // Each member is missing or whole, never cut.
    const QByteArray archive = ZELMO_TEST_DATA "/archive/level1.lzh";
    const QByteArray reference = root + "/reference";
    fresh("reference");
    ASSERT_EQ(runDriver({"extract", archive, reference}).exitCode, 0);
    QList<QByteArray> members;
    if (DIR* d = ::opendir(reference.constData())) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.')
                members.append(e->d_name);
        ::closedir(d);
    }
    ASSERT_EQ(members.size(), 4);
    killAtEachStep([&] { fresh("work"); }, {"extract", archive, folder}, {}, folder,
                   [&] {
                       for (const QByteArray& m : members) {
                           const QByteArray got = readBytes(folder + "/" + m);
                           EXPECT_TRUE(got == "<missing>" || got == readBytes(reference + "/" + m))
                               << m.constData();
                       }
                   });
}

TEST_F(WriteKillTest, OverTheFileSizeLimitEachWriterReportsAndLivesOn) {
    const rlim_t limit = 64 << 10;
    const QByteArray folder = fresh("work"), other = fresh("other");
    const QByteArray big(200 << 10, 'b');
    writeBytes(folder + "/big.bin", big);
    writeBytes(root + "/big.txt", big);
    writeBytes(other + "/doc.txt", kOld);
    // Told apart from a full disk.
    const QByteArray tooLarge =
        "このファイルシステム（またはサイズの制限）には大きすぎるファイルです。";
    for (const char* way : {"ZELMO_DIRECT=0", "ZELMO_DIRECT=1"})
        for (const char* op : {"copy", "move"}) {
            const DriverRun r =
                runDriver({op, folder + "/big.bin", other}, {"ZELMO_EXDEV=1", way}, limit);
            EXPECT_EQ(r.exitCode, 1) << op << way << r.output.constData();
            EXPECT_TRUE(r.output.contains("行き先：" + tooLarge)) << r.output.constData();
        }
    EXPECT_EQ(readBytes(folder + "/big.bin"), big);
    DriverRun r = runDriver({"save", other + "/doc.txt", root + "/big.txt"}, {}, limit);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.output.contains(
        "に書き込めません\r\nこのファイルシステム（またはサイズの制限）には大きすぎます"));
    EXPECT_EQ(readBytes(other + "/doc.txt"), kOld);
    r = runDriver({"extract", ZELMO_TEST_DATA "/archive/sizes.zip", other}, {}, limit);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(QFile::exists(QFile::decodeName(other + "/zeros30m.bin")));
    EXPECT_TRUE(QFile::exists(QFile::decodeName(other + "/stored.txt"))); // the rest goes on
    EXPECT_TRUE(
        r.output.contains("refused \"zeros30m.bin\": too large for this file system or limit\n"))
        << r.output.constData();
    // A settings file larger than the limit cannot be written again: reported.
    const QByteArray ini = other + "/zelmo32.INI";
    writeBytes(ini, "[FormStyle]\nViewerStyle=1\n[Big]\nPad=" + QByteArray(96 << 10, 'p') + "\n");
    r = runDriver({"settings", ini, "FormStyle", "ViewerStyle", "0"}, {}, limit);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.output.contains("zelmo32.INI に書き込めません")) << r.output.constData();
    EXPECT_TRUE(temporaries(other).isEmpty());
    EXPECT_TRUE(temporaries(folder).isEmpty());
}

TEST_F(WriteKillTest, TwoProgramsWritingOneSettingsFileKeepEveryKey) {
    // In memory where the machine has it: 1 200 synced writes are slow on a disk.
    QTemporaryDir shm(QStringLiteral("/dev/shm/zelmo32-test-XXXXXX"));
    const QByteArray work = shm.isValid() ? QFile::encodeName(shm.path()) : fresh("work");
    const QByteArray ini = work + "/zelmo32.INI";
    const auto start = [&](const char* section, const char* prefix) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(1); // its "steps" line is not the test's output
            ::execl(ZELMO_WRITE_DRIVER, ZELMO_WRITE_DRIVER, "settings-many", ini.constData(),
                    section, prefix, "300", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    };
    const pid_t a = start("First", "A"), b = start("Second", "B");
    int sa = 0, sb = 0;
    ::waitpid(a, &sa, 0);
    ::waitpid(b, &sb, 0);
    EXPECT_EQ(sa, 0);
    EXPECT_EQ(sb, 0);
    const QByteArray bytes = readBytes(ini);
    for (int i = 0; i < 300; ++i) {
        EXPECT_TRUE(
            bytes.contains("\nA" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\n"));
        EXPECT_TRUE(
            bytes.contains("\nB" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\n"));
    }
    EXPECT_TRUE(temporaries(work).isEmpty());
}

// A move over an existing file on one file system, and a move to another file system
// (/dev/shm and a folder on disk), killed before each of its steps; then the next write
// into each folder. Afterwards each name holds its old file or the moved one, the moved
// file exists, and no set-aside file or record is left.
TEST_F(WriteKillTest, AMoveCutShortIsPutRightByTheNextWriteIntoTheFolder) {
    QTemporaryDir shm(QStringLiteral("/dev/shm/zelmo32-test-XXXXXX"));
    struct stat onDisk {
    }, inMemory{};
    const bool twoDisks = shm.isValid() && ::stat(root.constData(), &onDisk) == 0 &&
                          ::stat(QFile::encodeName(shm.path()).constData(), &inMemory) == 0 &&
                          onDisk.st_dev != inMemory.st_dev;
    const QByteArray disk = root + "/disk";
    const QByteArray memory = twoDisks ? QFile::encodeName(shm.path()) + "/mem" : QByteArray();
    const auto make = [](const QByteArray& folder) {
        QDir(QFile::decodeName(folder)).removeRecursively();
        ::mkdir(folder.constData(), 0755);
    };
    const auto ours = [](const QByteArray& folder) {
        QList<QByteArray> found;
        if (DIR* d = ::opendir(folder.constData())) {
            while (const dirent* e = ::readdir(d))
                if (QByteArray(e->d_name).startsWith(".zelmo32-"))
                    found.append(e->d_name);
            ::closedir(d);
        }
        return found;
    };
    struct Case {
        const char* name;
        QByteArray src, dst;
    };
    std::vector<Case> cases = {{"over a file on one disk", disk + "/src", disk + "/dst"}};
    if (twoDisks)
        cases.push_back({"over a file on another disk", memory + "/src", disk + "/dst"});
    else
        std::printf("no second file system: the move to another disk is not killed\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto prepare = [&] {
            make(disk);
            if (twoDisks)
                make(memory);
            make(c.src);
            make(c.dst);
            writeBytes(c.src + "/file.txt", kNew);
            writeBytes(c.dst + "/file.txt", kOld);
        };
        prepare();
        const DriverRun whole = runDriver({"move", c.src + "/file.txt", c.dst});
        ASSERT_EQ(whole.exitCode, 0) << whole.output.constData();
        ASSERT_GE(whole.steps, 3);
        for (long at = 1; at <= whole.steps; ++at) {
            SCOPED_TRACE("killed at step " + std::to_string(at));
            prepare();
            const DriverRun killed = runDriver({"move", c.src + "/file.txt", c.dst},
                                               {"ZELMO_KILL_AT=" + QByteArray::number(at)});
            EXPECT_TRUE(killed.killed) << killed.output.constData();
            for (const QByteArray& folder : {c.src, c.dst})
                EXPECT_EQ(runDriver({"copy", root + "/next.txt", folder}).exitCode, 0);
            const QByteArray source = readBytes(c.src + "/file.txt");
            const QByteArray there = readBytes(c.dst + "/file.txt");
            EXPECT_TRUE(source == kNew || source == "<missing>") << source.constData();
            EXPECT_TRUE(there == kOld || there == kNew) << there.constData();
            EXPECT_TRUE(source == kNew || there == kNew);
            EXPECT_TRUE(ours(c.src).isEmpty()) << ours(c.src).join(' ').constData();
            EXPECT_TRUE(ours(c.dst).isEmpty()) << ours(c.dst).join(' ').constData();
        }
    }
}

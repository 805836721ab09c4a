#include "platform/FileOperation.h"
#include "platform/FsName.h"
#include "platform/Trash.h"

#include "base/TempFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

namespace {

// A Shift-JIS name (メモ) with a line break in it: bytes that are not UTF-8.
const QByteArray kOddName("\x83\x81\x83\x82\nnote.txt");

QByteArray readBytes(const QByteArray& path) {
    QByteArray out;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "<missing>";
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        out.append(buf, n);
    ::close(fd);
    return out;
}

bool writeBytes(const QByteArray& path, const QByteArray& bytes, int64_t mtime = -1,
                mode_t mode = 0644) {
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ::fchmod(fd, mode);
    ::close(fd);
    if (ok && mtime >= 0) {
        const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
        return ::utimensat(AT_FDCWD, path.constData(), times, 0) == 0;
    }
    return ok;
}

bool exists(const QByteArray& path) {
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

QList<QByteArray> entries(const QByteArray& dir) {
    QList<QByteArray> names;
    if (DIR* d = ::opendir(dir.constData())) {
        while (dirent* e = ::readdir(d))
            if (strcmp(e->d_name, ".") && strcmp(e->d_name, ".."))
                names.append(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Answers every question the way the test says and counts what was asked.
struct Script {
    bool confirm = true;
    OverwriteAnswer overwrite = OverwriteAnswer::Overwrite;
    QList<OverwriteAnswer> answers; // given first, in order; then overwrite
    TrashFallbackAnswer fallback = TrashFallbackAnswer::Cancel;
    std::function<bool(int64_t, int64_t)> progress;
    QList<FileOpKind> confirmed;
    QList<std::pair<FileFacts, FileFacts>> overwriteAsked;
    QStringList fallbackAsked;
    int finished = 0;

    FileOpCallbacks callbacks() {
        FileOpCallbacks c;
        c.confirmDelete = [this](FileOpKind kind, const QString&) {
            confirmed.append(kind);
            return confirm;
        };
        c.askOverwrite = [this](const FileFacts& existing, const FileFacts& incoming) {
            overwriteAsked.append({existing, incoming});
            return answers.isEmpty() ? overwrite : answers.takeFirst();
        };
        c.askTrashFallback = [this](const QString& path, const QString&) {
            fallbackAsked.append(path);
            return fallback;
        };
        c.progress = [this](int64_t done, int64_t total) {
            return progress ? progress(done, total) : true;
        };
        c.finished = [this] { ++finished; };
        return c;
    }
};

class FileOperationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(srcDir.isValid() && dstDir.isValid());
        src = QFile::encodeName(srcDir.path());
        dst = QFile::encodeName(dstDir.path());
    }
    void TearDown() override { SetFileOpFaults({}); }
    FileOpResult run(FileOpKind kind, const QByteArray& file, const QByteArray& folder = {}) {
        return RunFileOperation(kind, fromFsBytes(file), fromFsBytes(folder), script.callbacks());
    }
    // The reason a failed operation gives, as the user reads it.
    static QString reason(const QByteArray& file, const char* verb, const QString& cause) {
        return displayName(fromFsBytes(file)) + QString::fromUtf8(" を") + QString::fromUtf8(verb) +
               QString::fromUtf8("できません。\r\n\r\n") + cause;
    }

    QTemporaryDir srcDir, dstDir;
    QByteArray src, dst;
    Script script;
};

// A small tmpfs where the machine allows mounting one (as root), removed afterwards.
struct SmallTmpfs {
    explicit SmallTmpfs(const char* size) {
        path = QFile::encodeName(dir.path());
        mounted = ::geteuid() == 0 && ::mount("tmpfs", path.constData(), "tmpfs", 0, size) == 0;
    }
    ~SmallTmpfs() {
        if (mounted)
            ::umount2(path.constData(), MNT_DETACH);
    }
    QTemporaryDir dir;
    QByteArray path;
    bool mounted = false;
};

} // namespace

TEST_F(FileOperationTest, CopyKeepsContentModeAndTimesAndAsksBeforeOverwriting) {
    const QByteArray from = src + "/" + kOddName;
    ASSERT_TRUE(writeBytes(from, "new content", 1000000000, 0640));
    EXPECT_EQ(run(FileOpKind::Copy, from, dst).outcome, FileOpOutcome::Done);
    const QByteArray to = dst + "/" + kOddName;
    EXPECT_EQ(readBytes(to), "new content");
    struct stat st;
    ASSERT_EQ(::stat(to.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
    EXPECT_EQ(readBytes(from), "new content"); // the source stays
    EXPECT_TRUE(script.overwriteAsked.isEmpty());
    EXPECT_EQ(script.finished, 1);

    // Again onto the copy, which has become older and shorter: the question names both.
    ASSERT_TRUE(writeBytes(to, "old", 900000000));
    script.overwrite = OverwriteAnswer::Skip;
    EXPECT_EQ(run(FileOpKind::Copy, from, dst).outcome, FileOpOutcome::Cancelled);
    EXPECT_EQ(readBytes(to), "old");
    ASSERT_EQ(script.overwriteAsked.size(), 1);
    const auto& [existing, incoming] = script.overwriteAsked[0];
    EXPECT_EQ(toFsBytes(existing.path), to);
    EXPECT_EQ(existing.size, 3);
    EXPECT_EQ(existing.modified.toSecsSinceEpoch(), 900000000);
    EXPECT_EQ(toFsBytes(incoming.path), from);
    EXPECT_EQ(incoming.size, 11);
    EXPECT_EQ(incoming.modified.toSecsSinceEpoch(), 1000000000);

    script.overwrite = OverwriteAnswer::Cancel;
    EXPECT_EQ(run(FileOpKind::Copy, from, dst).outcome, FileOpOutcome::Cancelled);
    EXPECT_EQ(readBytes(to), "old");
    script.overwrite = OverwriteAnswer::Overwrite;
    EXPECT_EQ(run(FileOpKind::Copy, from, dst).outcome, FileOpOutcome::Done);
    EXPECT_EQ(readBytes(to), "new content");
    EXPECT_EQ(entries(dst), QList<QByteArray>{kOddName}); // no temporary file left
}

TEST_F(FileOperationTest, CopyOrMoveOntoItselfOrAFolderFailsWithTheReason) {
    const QByteArray file = src + "/a.txt";
    ASSERT_TRUE(writeBytes(file, "abc"));
    const QString same = QString::fromUtf8("元のファイルと行き先のファイルが同じです。");
    FileOpResult r = run(FileOpKind::Copy, file, src);
    EXPECT_EQ(r.outcome, FileOpOutcome::Failed);
    EXPECT_EQ(r.reason, reason(file, "コピー", same));
    r = run(FileOpKind::Move, file, src);
    EXPECT_EQ(r.reason, reason(file, "移動", same));
    EXPECT_EQ(readBytes(file), "abc");

    ASSERT_EQ(::mkdir((dst + "/a.txt").constData(), 0755), 0);
    r = run(FileOpKind::Copy, file, dst);
    EXPECT_EQ(r.reason,
              reason(file, "コピー", QString::fromUtf8("行き先に同じ名前のフォルダがあります。")));
    r = run(FileOpKind::Copy, file, dst + "/none");
    EXPECT_EQ(r.reason,
              reason(file, "コピー", QString::fromUtf8("行き先のフォルダがありません。")));
    r = run(FileOpKind::Copy, src + "/gone.txt", dst);
    EXPECT_EQ(r.reason, reason(src + "/gone.txt", "コピー",
                               QString::fromUtf8("元のファイル：ファイルが見つかりません。")));
    EXPECT_TRUE(script.overwriteAsked.isEmpty());
}

TEST_F(FileOperationTest, CancelledLongCopyLeavesTheOldFileAndNoPart) {
    FileOpFaults faults;
    faults.progressDelayMs = 0;     // report from the first block on
    faults.copyRangeError = ENOSYS; // through the buffer, which reports every 1 MiB
    SetFileOpFaults(faults);
    const QByteArray from = src + "/big.bin";
    ASSERT_TRUE(writeBytes(from, QByteArray(3 << 20, 'x')));
    ASSERT_TRUE(writeBytes(dst + "/big.bin", "old"));
    QList<std::pair<int64_t, int64_t>> reports;
    script.progress = [&](int64_t done, int64_t total) {
        reports.append({done, total});
        return reports.size() < 2; // Cancel at the second report
    };
    EXPECT_EQ(run(FileOpKind::Copy, from, dst).outcome, FileOpOutcome::Cancelled);
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports[0], std::make_pair(int64_t(1 << 20), int64_t(3 << 20)));
    EXPECT_EQ(readBytes(dst + "/big.bin"), "old");
    EXPECT_EQ(entries(dst), QList<QByteArray>{"big.bin"});
    EXPECT_EQ(script.finished, 1); // the progress dialog closes
}

TEST_F(FileOperationTest, CopyOntoAFullFileSystemKeepsTheOldFileAndSaysWhy) {
    const QByteArray from = src + "/" + kOddName;
    ASSERT_TRUE(writeBytes(from, QByteArray(256 << 10, 'y')));
    const QString full = QString::fromUtf8("行き先：ディスクの空き容量が足りません。");
    FileOpFaults faults;
    faults.copyWriteError = ENOSPC;
    SetFileOpFaults(faults);
    ASSERT_TRUE(writeBytes(dst + "/" + kOddName, "old"));
    FileOpResult r = run(FileOpKind::Copy, from, dst);
    EXPECT_EQ(r.outcome, FileOpOutcome::Failed);
    EXPECT_EQ(r.reason, reason(from, "コピー", full));
    EXPECT_EQ(readBytes(dst + "/" + kOddName), "old");
    EXPECT_EQ(entries(dst), QList<QByteArray>{kOddName});
    SetFileOpFaults({});

    // A real small file system where the machine lets us mount one.
    SmallTmpfs tmpfs("size=64k");
    if (!tmpfs.mounted)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    ASSERT_TRUE(writeBytes(tmpfs.path + "/" + kOddName, "old"));
    r = run(FileOpKind::Copy, from, tmpfs.path);
    EXPECT_EQ(r.outcome, FileOpOutcome::Failed);
    EXPECT_EQ(r.reason, reason(from, "コピー", full));
    EXPECT_EQ(readBytes(tmpfs.path + "/" + kOddName), "old");
    EXPECT_EQ(entries(tmpfs.path), QList<QByteArray>{kOddName});
}

TEST_F(FileOperationTest, MoveRenamesAndAcrossFileSystemsCopiesThenRemoves) {
    const QByteArray from = src + "/" + kOddName;
    ASSERT_TRUE(writeBytes(from, "moving", 1200000000));
    EXPECT_EQ(run(FileOpKind::Move, from, dst).outcome, FileOpOutcome::Done);
    EXPECT_FALSE(exists(from));
    EXPECT_EQ(readBytes(dst + "/" + kOddName), "moving");
    EXPECT_EQ(script.finished, 0); // a rename needs no progress

    // The rename reports another file system: copied, checked, source removed.
    FileOpFaults faults;
    faults.moveRenameError = EXDEV;
    SetFileOpFaults(faults);
    EXPECT_EQ(run(FileOpKind::Move, dst + "/" + kOddName, src).outcome, FileOpOutcome::Done);
    EXPECT_FALSE(exists(dst + "/" + kOddName));
    EXPECT_EQ(readBytes(from), "moving");
    struct stat st;
    ASSERT_EQ(::stat(from.constData(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(script.finished, 1);

    // A link stays a link.
    ASSERT_EQ(::symlink("target/there", (dst + "/link").constData()), 0);
    EXPECT_EQ(run(FileOpKind::Move, dst + "/link", src).outcome, FileOpOutcome::Done);
    char target[64] = {};
    EXPECT_EQ(::readlink((src + "/link").constData(), target, sizeof target - 1), 12);
    EXPECT_STREQ(target, "target/there");

    // A copy that fails on the way leaves the source where it was.
    faults.copyWriteError = ENOSPC;
    SetFileOpFaults(faults);
    const FileOpResult r = run(FileOpKind::Move, from, dst);
    EXPECT_EQ(r.reason,
              reason(from, "移動", QString::fromUtf8("行き先：ディスクの空き容量が足りません。")));
    EXPECT_EQ(readBytes(from), "moving");
    EXPECT_TRUE(entries(dst).isEmpty());
    SetFileOpFaults({});

    // A real other file system: a tmpfs of our own, or /dev/shm when it is one.
    SmallTmpfs tmpfs("size=1m");
    QTemporaryDir shm(QStringLiteral("/dev/shm/zelmo32-test-XXXXXX"));
    QByteArray other = tmpfs.mounted ? tmpfs.path : QByteArray();
    struct stat a, b;
    if (other.isEmpty() && shm.isValid() && ::stat(src.constData(), &a) == 0 &&
        ::stat(QFile::encodeName(shm.path()).constData(), &b) == 0 && a.st_dev != b.st_dev)
        other = QFile::encodeName(shm.path());
    if (other.isEmpty())
        GTEST_SKIP() << "no second file system here";
    EXPECT_EQ(run(FileOpKind::Move, from, other).outcome, FileOpOutcome::Done);
    EXPECT_FALSE(exists(from));
    EXPECT_EQ(readBytes(other + "/" + kOddName), "moving");
    ::unlink((other + "/" + kOddName).constData());
}

TEST_F(FileOperationTest, DeleteAsksFirstAndDeclinedChangesNothing) {
    const QByteArray file = src + "/" + kOddName;
    ASSERT_TRUE(writeBytes(file, "x"));
    script.confirm = false;
    EXPECT_EQ(run(FileOpKind::Delete, file).outcome, FileOpOutcome::Cancelled);
    EXPECT_EQ(run(FileOpKind::Trash, file).outcome, FileOpOutcome::Cancelled);
    EXPECT_TRUE(exists(file));
    EXPECT_EQ(script.confirmed, (QList<FileOpKind>{FileOpKind::Delete, FileOpKind::Trash}));
    script.confirm = true;
    EXPECT_EQ(run(FileOpKind::Delete, file).outcome, FileOpOutcome::Done);
    EXPECT_FALSE(exists(file));
    // Already gone: not asked, the reason says so.
    const FileOpResult r = run(FileOpKind::Delete, file);
    EXPECT_EQ(r.reason, reason(file, "削除", QString::fromUtf8("ファイルが見つかりません。")));
    EXPECT_EQ(script.confirmed.size(), 3);
}

class TrashTest : public FileOperationTest {
protected:
    void SetUp() override {
        FileOperationTest::SetUp();
        ASSERT_TRUE(dataHome.isValid());
        saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        trash = QFile::encodeName(dataHome.path()) + "/Trash";
    }
    void TearDown() override {
        qputenv("XDG_DATA_HOME", saved);
        FileOperationTest::TearDown();
    }
    // The information file's lines, checked for their form.
    static void expectInfo(const QByteArray& infoPath, const QByteArray& original) {
        const QList<QByteArray> lines = readBytes(infoPath).split('\n');
        ASSERT_EQ(lines.size(), 4);
        EXPECT_EQ(lines[0], "[Trash Info]");
        EXPECT_EQ(lines[1], "Path=" + original.toPercentEncoding("/"));
        EXPECT_TRUE(QRegularExpression("^DeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$")
                        .match(QString::fromLatin1(lines[2]))
                        .hasMatch());
        EXPECT_EQ(lines[3], "");
    }
    QTemporaryDir dataHome;
    QByteArray saved, trash;
};

TEST_F(TrashTest, HomeTrashKeepsTheRawNameRestorable) {
    EXPECT_EQ(toFsBytes(HomeTrash()), trash);
    const QByteArray file = src + "/" + kOddName;
    ASSERT_TRUE(writeBytes(file, "first"));
    EXPECT_EQ(run(FileOpKind::Trash, file).outcome, FileOpOutcome::Done);
    EXPECT_FALSE(exists(file));
    EXPECT_EQ(readBytes(trash + "/files/" + kOddName), "first");
    char real[PATH_MAX];
    ASSERT_TRUE(::realpath(src.constData(), real));
    const QByteArray original = QByteArray(real) + "/" + kOddName;
    expectInfo(trash + "/info/" + kOddName + ".trashinfo", original);
    // The percent form carries the bytes: %83%81%83%82%0Anote.txt.
    EXPECT_TRUE(readBytes(trash + "/info/" + kOddName + ".trashinfo")
                    .contains("/%83%81%83%82%0Anote.txt\n"));

    // A second file of the same name gets a name of its own.
    ASSERT_TRUE(writeBytes(file, "second"));
    EXPECT_EQ(run(FileOpKind::Trash, file).outcome, FileOpOutcome::Done);
    EXPECT_EQ(readBytes(trash + "/files/" + kOddName + ".2"), "second");
    expectInfo(trash + "/info/" + kOddName + ".2.trashinfo", original);
    EXPECT_EQ(readBytes(trash + "/files/" + kOddName), "first");
    EXPECT_TRUE(script.fallbackAsked.isEmpty());
}

TEST_F(TrashTest, TopDirectoryTrashNeedsAStickyRealSharedFolder) {
    const QByteArray uid = QByteArray::number(uint(::getuid()));
    const QString top = fromFsBytes(src);
    // No shared folder: the user's own one, made with files/ and info/.
    EXPECT_EQ(toFsBytes(TopDirectoryTrash(top)), src + "/.Trash-" + uid);
    EXPECT_TRUE(exists(src + "/.Trash-" + uid + "/files"));
    EXPECT_TRUE(exists(src + "/.Trash-" + uid + "/info"));
    // A shared folder without the sticky bit, or a link to one with it, is not used.
    ASSERT_EQ(::mkdir((dst + "/sticky").constData(), 01777), 0);
    ASSERT_EQ(::chmod((dst + "/sticky").constData(), 01777), 0);
    ASSERT_EQ(::symlink((dst + "/sticky").constData(), (src + "/.Trash").constData()), 0);
    EXPECT_EQ(toFsBytes(TopDirectoryTrash(top)), src + "/.Trash-" + uid);
    ASSERT_EQ(::unlink((src + "/.Trash").constData()), 0);
    ASSERT_EQ(::mkdir((src + "/.Trash").constData(), 0777), 0);
    ASSERT_EQ(::chmod((src + "/.Trash").constData(), 0777), 0);
    EXPECT_EQ(toFsBytes(TopDirectoryTrash(top)), src + "/.Trash-" + uid);
    // Sticky: the user's folder inside it.
    ASSERT_EQ(::chmod((src + "/.Trash").constData(), 01777), 0);
    EXPECT_EQ(toFsBytes(TopDirectoryTrash(top)), src + "/.Trash/" + uid);
    EXPECT_TRUE(exists(src + "/.Trash/" + uid + "/info"));
}

TEST_F(TrashTest, OtherFileSystemUsesItsOwnTrashOrAsksToDeleteForGood) {
    SmallTmpfs tmpfs("size=1m");
    if (!tmpfs.mounted)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const QByteArray top = tmpfs.path;
    ASSERT_EQ(::mkdir((top + "/sub").constData(), 0755), 0);
    const QByteArray file = top + "/sub/" + kOddName;
    ASSERT_TRUE(writeBytes(file, "there"));
    EXPECT_EQ(run(FileOpKind::Trash, file).outcome, FileOpOutcome::Done);
    const QByteArray own = top + "/.Trash-" + QByteArray::number(uint(::getuid()));
    EXPECT_EQ(readBytes(own + "/files/" + kOddName), "there");
    expectInfo(own + "/info/" + kOddName + ".trashinfo", "sub/" + kOddName); // relative
    EXPECT_FALSE(exists(trash + "/files/" + kOddName));                      // never copied

    // No usable trash there: asked, and only deleted when the user says so.
    SmallTmpfs second("size=1m");
    ASSERT_TRUE(second.mounted);
    ASSERT_TRUE(writeBytes(second.path + "/.Trash-" + QByteArray::number(uint(::getuid())), ""));
    const QByteArray lone = second.path + "/" + kOddName;
    ASSERT_TRUE(writeBytes(lone, "lone"));
    EXPECT_EQ(run(FileOpKind::Trash, lone).outcome, FileOpOutcome::Cancelled);
    EXPECT_EQ(readBytes(lone), "lone");
    EXPECT_EQ(script.fallbackAsked.size(), 1);
    script.fallback = TrashFallbackAnswer::DeleteForGood;
    EXPECT_EQ(run(FileOpKind::Trash, lone).outcome, FileOpOutcome::Done);
    EXPECT_FALSE(exists(lone));
}

// Another program acting while the copy runs (the hook runs after the copy's first block):
// what it made or changed is never replaced or removed unasked. Each case once with an
// unnamed new file and once with a named temporary (file systems without O_TMPFILE).
class CopyRaceTest : public FileOperationTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        FileOperationTest::SetUp();
        zelmo_set_named_temporaries(GetParam());
        from = src + "/data.bin";
        to = dst + "/data.bin";
        ASSERT_TRUE(writeBytes(from, content));
    }
    void TearDown() override {
        zelmo_set_named_temporaries(0);
        FileOperationTest::TearDown();
    }
    void during(std::function<void()> act) {
        FileOpFaults faults;
        faults.moveRenameError = moveAcross ? EXDEV : 0;
        faults.duringCopy = [act, once = std::make_shared<bool>(false)](int64_t) {
            if (!*once)
                act();
            *once = true;
        };
        SetFileOpFaults(faults);
    }
    const QByteArray content = QByteArray(3 << 20, 'c');
    QByteArray from, to;
    bool moveAcross = false;
};

TEST_P(CopyRaceTest, AFileMadeAtTheDestinationMidCopyIsAskedAboutAgain) {
    during([&] { writeBytes(to, "theirs"); });
    script.overwrite = OverwriteAnswer::Skip;
    EXPECT_EQ(run(FileOpKind::Copy, from, dst).outcome, FileOpOutcome::Cancelled);
    EXPECT_EQ(readBytes(to), "theirs");
    ASSERT_EQ(script.overwriteAsked.size(), 1);
    EXPECT_EQ(script.overwriteAsked[0].first.size, 6);
    EXPECT_EQ(entries(dst), QList<QByteArray>{"data.bin"});

    // Asked again and agreed this time: replaced.
    ::unlink(to.constData());
    script.overwrite = OverwriteAnswer::Overwrite;
    EXPECT_EQ(run(FileOpKind::Copy, from, dst).outcome, FileOpOutcome::Done);
    EXPECT_EQ(readBytes(to), content);
    EXPECT_EQ(entries(dst), QList<QByteArray>{"data.bin"});
}

TEST_P(CopyRaceTest, TheAgreedFileReplacedMidCopyIsSwappedBackAndAskedAgain) {
    ASSERT_TRUE(writeBytes(to, "old", 0, 0444));
    during([&] {
        ASSERT_TRUE(writeBytes(dst + "/other", "newer"));
        ASSERT_EQ(::rename((dst + "/other").constData(), to.constData()), 0);
    });
    script.answers = {OverwriteAnswer::Overwrite, OverwriteAnswer::Skip};
    EXPECT_EQ(run(FileOpKind::Copy, from, dst).outcome, FileOpOutcome::Cancelled);
    EXPECT_EQ(readBytes(to), "newer");
    ASSERT_EQ(script.overwriteAsked.size(), 2);
    EXPECT_TRUE(script.overwriteAsked[0].first.readOnly); // the question says so
    EXPECT_FALSE(script.overwriteAsked[1].first.readOnly);
    EXPECT_EQ(script.overwriteAsked[1].first.size, 5);
    EXPECT_EQ(entries(dst), QList<QByteArray>{"data.bin"});
}

TEST_P(CopyRaceTest, AMoveKeepsASourceReplacedOrAppendedToMidMove) {
    moveAcross = true;
    // Appended to in place: nothing published, the source stays whole.
    during([&] {
        const int fd = ::open(from.constData(), O_WRONLY | O_APPEND);
        ASSERT_EQ(::write(fd, "+more", 5), 5);
        ::close(fd);
    });
    FileOpResult r = run(FileOpKind::Move, from, dst);
    EXPECT_EQ(r.outcome, FileOpOutcome::Failed);
    EXPECT_EQ(r.reason, reason(from, "移動",
                               QString::fromUtf8("元のファイル：コピーの途中で変更されました。"
                                                 "移動は取りやめました。")));
    EXPECT_EQ(readBytes(from), content + "+more");
    EXPECT_TRUE(entries(dst).isEmpty());

    // Replaced by a new version (saved as programs do, renamed over it) while copied: the
    // old one is unlinked, its change time moves, and the move stops before publishing.
    ASSERT_TRUE(writeBytes(from, content));
    const auto replaceSource = [&] {
        ASSERT_TRUE(writeBytes(src + "/saving", "the new version"));
        ASSERT_EQ(::rename((src + "/saving").constData(), from.constData()), 0);
    };
    during(replaceSource);
    r = run(FileOpKind::Move, from, dst);
    EXPECT_EQ(r.outcome, FileOpOutcome::Failed);
    EXPECT_EQ(readBytes(from), "the new version");
    EXPECT_TRUE(entries(dst).isEmpty());

    // Replaced after the copy was published, just before the source is set aside: the
    // copy of the old version arrives, the new version stays under its name.
    ASSERT_TRUE(writeBytes(from, content));
    during([] {});
    static std::function<void()> act;
    act = [&] {
        if (exists(to))
            replaceSource(), act = nullptr;
    };
    zelmo_set_write_step_hook([](const char* step) {
        if (act && strcmp(step, "rename") == 0)
            act();
    });
    r = run(FileOpKind::Move, from, dst);
    zelmo_set_write_step_hook(nullptr);
    EXPECT_EQ(r.outcome, FileOpOutcome::Failed);
    EXPECT_TRUE(r.reason.contains(QString::fromUtf8("元のファイル：コピーの後で変更されたため")))
        << r.reason.toStdString();
    EXPECT_EQ(readBytes(from), "the new version");
    EXPECT_EQ(readBytes(to), content);
    EXPECT_EQ(entries(src), QList<QByteArray>{"data.bin"});
}

TEST_P(CopyRaceTest, ADestinationFolderSwappedForALinkFailsOnItsSideAndLeavesNothing) {
    QTemporaryDir elsewhere;
    const QByteArray moved = dst + ".moved";
    during([&] {
        ASSERT_EQ(::rename(dst.constData(), moved.constData()), 0);
        ASSERT_EQ(::symlink(QFile::encodeName(elsewhere.path()).constData(), dst.constData()), 0);
    });
    const FileOpResult r = run(FileOpKind::Copy, from, dst);
    EXPECT_EQ(r.reason, reason(from, "コピー",
                               QString::fromUtf8("行き先：行き先のフォルダが途中で置き換えられ"
                                                 "ました。")));
    EXPECT_TRUE(entries(moved).isEmpty());
    EXPECT_TRUE(entries(QFile::encodeName(elsewhere.path())).isEmpty());
    ::unlink(dst.constData());
    ::rename(moved.constData(), dst.constData());
}

INSTANTIATE_TEST_SUITE_P(UnnamedOrNamed, CopyRaceTest, ::testing::Bool());

TEST_F(FileOperationTest, ALinkAndItsTargetAreTheSameFile) {
    // Moving a link into the folder of its target, whose name it bears: refused, the data
    // stays (replacing it would leave a link pointing at itself).
    ASSERT_TRUE(writeBytes(dst + "/data.txt", "the only copy"));
    ASSERT_EQ(::symlink((dst + "/data.txt").constData(), (src + "/data.txt").constData()), 0);
    const QString same = QString::fromUtf8("元のファイルと行き先のファイルが同じです。");
    EXPECT_EQ(run(FileOpKind::Move, src + "/data.txt", dst).reason,
              reason(src + "/data.txt", "移動", same));
    EXPECT_EQ(run(FileOpKind::Copy, src + "/data.txt", dst).reason,
              reason(src + "/data.txt", "コピー", same));
    EXPECT_EQ(readBytes(dst + "/data.txt"), "the only copy");
    EXPECT_TRUE(script.overwriteAsked.isEmpty());

    // A move onto an agreed file within one file system exchanges and checks: done.
    ASSERT_TRUE(writeBytes(src + "/other.txt", "moved", 0, 0600));
    ASSERT_TRUE(writeBytes(dst + "/other.txt", "replaced"));
    EXPECT_EQ(run(FileOpKind::Move, src + "/other.txt", dst).outcome, FileOpOutcome::Done);
    EXPECT_EQ(readBytes(dst + "/other.txt"), "moved");
    EXPECT_FALSE(exists(src + "/other.txt"));
}

// An ordinary user's copy (CI runs as root: a child at uid 65534) takes the unnamed path
// where the file system has it, and leaves nothing but the copy.
TEST_F(FileOperationTest, AnOrdinaryUsersCopyWorks) {
    ASSERT_EQ(::chmod(src.constData(), 0755), 0);
    ASSERT_EQ(::chmod(dst.constData(), 0777), 0);
    ASSERT_TRUE(writeBytes(src + "/a.txt", "for everyone", 0, 0644));
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        const FileOpResult r =
            RunFileOperation(FileOpKind::Copy, fromFsBytes(src + "/a.txt"), fromFsBytes(dst), {});
        ::_exit(r.outcome == FileOpOutcome::Done ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readBytes(dst + "/a.txt"), "for everyone");
    EXPECT_EQ(entries(dst), QList<QByteArray>{"a.txt"});
}

TEST_F(TrashTest, ATrashFolderOthersCouldChangeIsClosedOrNotUsed) {
    const QByteArray own = src + "/.Trash-" + QByteArray::number(uint(::getuid()));
    const QString top = fromFsBytes(src);
    ASSERT_EQ(::chmod(src.constData(), 0755), 0);
    // Loose, but still ours throughout: closed to others, then used.
    ASSERT_EQ(::mkdir(own.constData(), 0777), 0);
    ASSERT_EQ(::chmod(own.constData(), 0777), 0);
    EXPECT_EQ(toFsBytes(TopDirectoryTrash(top)), own);
    struct stat st;
    ASSERT_EQ(::stat(own.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Its files/ replaced by a link to someone's folder: not used, whoever owns the link.
    ASSERT_EQ(::rmdir((own + "/files").constData()), 0);
    ASSERT_EQ(::symlink(dst.constData(), (own + "/files").constData()), 0);
    EXPECT_TRUE(TopDirectoryTrash(top).isEmpty());
    // A real folder, but another user's (made by a child at uid 65534 when we are root).
    ASSERT_EQ(::unlink((own + "/files").constData()), 0);
    if (::geteuid() != 0)
        return;
    ASSERT_EQ(::chmod(own.constData(), 0777), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        ::_exit(::mkdir((own + "/files").constData(), 0777) == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(TopDirectoryTrash(top).isEmpty());
}

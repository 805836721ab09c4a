// A copy's bytes in the kernel (clone, copy_file_range), by direct I/O from our buffers,
// and through the buffer when the other ways fail or stop early: every way ends with the
// whole file published, a cancelled one with nothing.
#include "platform/FileOperation.h"
#include "platform/FsName.h"
#include "platform/KernelCopy.h"
#include "platform/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;

namespace {

// Bytes that differ from block to block, so a block copied twice or skipped shows.
QByteArray patterned(qsizetype size) {
    QByteArray b(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        b[i] = char((i * 131 + i / 4096) & 0xff);
    return b;
}

// By the path's bytes: names here need not be UTF-8.
QByteArray readAll(const QByteArray& path) {
    const UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.fd < 0)
        return "<missing>";
    QByteArray out;
    char buf[1 << 16];
    ssize_t n;
    while ((n = ::read(fd.fd, buf, sizeof buf)) > 0)
        out.append(buf, n);
    return out;
}

bool writeAll(const QByteArray& path, const QByteArray& bytes) {
    const UniqueFd fd(::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644));
    return fd.fd >= 0 && ::write(fd.fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

// A folder on a file system other than the one of besides: /dev/shm (tmpfs) where that
// is on disk, else /var/tmp; null when both are the same.
std::unique_ptr<QTemporaryDir> otherFileSystemFolder(const QByteArray& besides) {
    struct stat a, b;
    if (::stat(besides.constData(), &a) != 0 || ::stat("/dev/shm", &b) != 0)
        return nullptr;
    auto made = std::make_unique<QTemporaryDir>(a.st_dev != b.st_dev
                                                    ? QStringLiteral("/dev/shm/zelmo-XXXXXX")
                                                    : QStringLiteral("/var/tmp/zelmo-XXXXXX"));
    struct stat c;
    if (!made->isValid() || ::stat(QFile::encodeName(made->path()).constData(), &c) != 0 ||
        c.st_dev == a.st_dev)
        return nullptr;
    return made;
}

class KernelCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(srcDir.isValid() && dstDir.isValid());
        src = QFile::encodeName(srcDir.path());
        dst = QFile::encodeName(dstDir.path());
    }
    void TearDown() override { SetFileOpFaults({}); }
    FileOpResult copy(const QByteArray& file, const QByteArray& folder,
                      std::function<bool(int64_t, int64_t)> progress = {}) {
        FileOpCallbacks c;
        c.askOverwrite = [](const FileFacts&, const FileFacts&) {
            return OverwriteAnswer::Overwrite;
        };
        c.confirmDelete = [](FileOpKind, const QString&) { return true; };
        c.progress = [progress](int64_t done, int64_t total) {
            return progress ? progress(done, total) : true;
        };
        return RunFileOperation(FileOpKind::Copy, fromFsBytes(file), fromFsBytes(folder), c);
    }
    // The way CopyFileData takes between two files of the folders, and its result; the
    // bytes it wrote (and showed to seen, when asked to show them) are the source's.
    DataCopy copyData(const QByteArray& from, const QByteArray& toFolder, bool withSeen = false) {
        const UniqueFd in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
        const UniqueFd out(::open(toFolder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
        EXPECT_GE(in.fd, 0);
        EXPECT_GE(out.fd, 0);
        QByteArray shown;
        const DataCopy r = withSeen ? CopyFileData(in.fd, out.fd, {},
                                                   [&](const char* bytes, size_t n) {
                                                       shown.append(bytes, qsizetype(n));
                                                   })
                                    : CopyFileData(in.fd, out.fd, {});
        const QByteArray source = readAll(from);
        EXPECT_TRUE(bytesOf(out.fd) == source);
        EXPECT_TRUE(!withSeen || shown == source);
        EXPECT_EQ(int64_t(source.size()), r.done);
        return r;
    }
    static QByteArray bytesOf(int fd) {
        struct stat st;
        if (::fstat(fd, &st) != 0)
            return "<unreadable>";
        QByteArray b(qsizetype(st.st_size), '\0');
        return ::pread(fd, b.data(), size_t(b.size()), 0) == b.size() ? b : "<short>";
    }
    // The file operation's faults, then the data copy's (which replace those it maps).
    static void setFaults(const FileOpFaults& op, const DataCopyFaults& data) {
        SetFileOpFaults(op);
        SetDataCopyFaults(data);
    }

    QTemporaryDir srcDir, dstDir;
    QByteArray src, dst;
};

} // namespace

// The kernel's way on one file system; the buffer's when copy_file_range is missing or
// refuses (each errno a file system gives), or returns 0 or stops short before the end:
// the whole file is published every time.
TEST_F(KernelCopyTest, EveryWayPublishesTheWholeFile) {
    const QByteArray content = patterned((3 << 20) + 12345);
    const QByteArray from = src + "/data \x83\x5c.bin";
    ASSERT_TRUE(writeAll(from, content));
    struct Case {
        const char* name;
        int cloneError, rangeError;
        int64_t rangeEndsAt;
        bool buffered; // the buffer finishes the copy
    };
    const Case cases[] = {
        {"kernel", 0, 0, -1, false},
        {"no clone (ext4, tmpfs)", EOPNOTSUPP, 0, -1, false},
        {"clone across file systems", EXDEV, 0, -1, false},
        {"range across file systems", EOPNOTSUPP, EXDEV, -1, true},
        {"range missing", EOPNOTSUPP, ENOSYS, -1, true},
        {"range not supported", EOPNOTSUPP, EOPNOTSUPP, -1, true},
        {"range refused", EOPNOTSUPP, EINVAL, -1, true},
        {"range returns 0 at once", EOPNOTSUPP, 0, 0, true},
        {"range stops short", EOPNOTSUPP, 0, (1 << 20) + 5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileOpFaults faults;
        faults.cloneError = c.cloneError;
        faults.copyRangeError = c.rangeError;
        faults.copyRangeEndsAt = c.rangeEndsAt;
        SetFileOpFaults(faults);
        const DataCopy way = copyData(from, dst);
        EXPECT_EQ(way.end, DataCopy::End::Whole);
        EXPECT_EQ(way.done, content.size());
        if (c.buffered)
            EXPECT_EQ(way.way, CopyWay::ReadWrite);
        else
            EXPECT_NE(way.way, CopyWay::ReadWrite);
        const FileOpResult r = copy(from, dst);
        EXPECT_EQ(r.outcome, FileOpOutcome::Done) << r.reason.toStdString();
        EXPECT_TRUE(readAll(dst + "/data \x83\x5c.bin") == content);
        ::unlink((dst + "/data \x83\x5c.bin").constData());
    }
    SetFileOpFaults({});
    // A file whose size says 0 while it holds text (procfs): the read finds the rest.
    const QByteArray version = readAll("/proc/version");
    ASSERT_FALSE(version.isEmpty());
    EXPECT_EQ(copy("/proc/version", dst).outcome, FileOpOutcome::Done);
    EXPECT_EQ(readAll(dst + "/version"), version);
    ::unlink(from.constData()); // the temporary folder cannot remove such names
}

// A cancel at the first report of the direct way, of the kernel's (64 MiB of a sparse file)
// and of the buffer's (1 MiB) leaves the old file and no part of the new one.
TEST_F(KernelCopyTest, ACancelMidCopyPublishesNothing) {
    const QByteArray from = src + "/big.bin";
    {
        const UniqueFd fd(::open(from.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        ASSERT_GE(fd.fd, 0);
        ASSERT_EQ(::ftruncate(fd.fd, (65 << 20) + 1), 0); // holes: little on disk
    }
    enum Way { Direct, Kernel, Buffer };
    for (const Way way : {Direct, Kernel, Buffer}) {
        SCOPED_TRACE(way == Direct ? "direct" : way == Kernel ? "kernel" : "buffer");
        const bool buffered = way == Buffer;
        FileOpFaults faults;
        faults.progressDelayMs = 0;
        DataCopyFaults data;
        data.rangeError = buffered ? ENOSYS : 0;
        data.directFrom = way == Direct ? 0 : INT64_MAX;
        setFaults(faults, data);
        ASSERT_TRUE(writeAll(dst + "/big.bin", "old"));
        QList<int64_t> reports;
        const FileOpResult r = copy(from, dst, [&](int64_t done, int64_t total) {
            EXPECT_EQ(total, (65 << 20) + 1);
            reports.append(done);
            return false;
        });
        EXPECT_EQ(r.outcome, FileOpOutcome::Cancelled);
        // The buffer reports every 1 MiB, the direct way every 16 MiB, the kernel every
        // chunk of at most 64 MiB.
        ASSERT_EQ(reports.size(), 1);
        if (buffered)
            EXPECT_EQ(reports[0], int64_t(1) << 20);
        else if (way == Direct)
            EXPECT_EQ(reports[0], int64_t(16) << 20);
        else
            EXPECT_TRUE(reports[0] > 0 && reports[0] <= int64_t(64) << 20) << reports[0];
        EXPECT_EQ(readAll(dst + "/big.bin"), "old");
        EXPECT_EQ(QDir(dstDir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                  QStringList{"big.bin"});
    }
}

// Between two file systems that exist without mounting (tmpfs at /dev/shm and a folder
// on disk), both ways: copy_file_range may refuse or copy, the file arrives whole.
TEST_F(KernelCopyTest, AcrossFileSystemsTheFileArrivesWhole) {
    const std::unique_ptr<QTemporaryDir> made = otherFileSystemFolder(dst);
    if (!made)
        GTEST_SKIP() << "no second file system without mounting";
    const QByteArray other = QFile::encodeName(made->path());
    const QByteArray content = patterned((2 << 20) + 7);
    ASSERT_TRUE(writeAll(src + "/a.bin", content));
    ASSERT_EQ(copy(src + "/a.bin", other).outcome, FileOpOutcome::Done);
    EXPECT_TRUE(readAll(other + "/a.bin") == content);
    ASSERT_EQ(copy(other + "/a.bin", dst).outcome, FileOpOutcome::Done);
    EXPECT_TRUE(readAll(dst + "/a.bin") == content);
    const DataCopy way = copyData(other + "/a.bin", dst);
    EXPECT_EQ(way.end, DataCopy::End::Whole);
    EXPECT_EQ(way.done, content.size());
    // By direct I/O both ways, where the file system has it (tmpfs since Linux 6.6); else
    // the fcntl or the first write refuses it and the kernel's way copies.
    DataCopyFaults direct;
    direct.directFrom = 0;
    direct.directChunk = 64 << 10;
    setFaults({}, direct);
    for (const QByteArray& to : {other, dst}) {
        SCOPED_TRACE(to.constData());
        const QByteArray from = to == other ? src + "/a.bin" : other + "/a.bin";
        ::unlink((to + "/a.bin").constData());
        ASSERT_EQ(copy(from, to).outcome, FileOpOutcome::Done);
        EXPECT_TRUE(readAll(to + "/a.bin") == content);
        for (const bool withSeen : {false, true}) {
            const DataCopy d = copyData(from, to, withSeen);
            EXPECT_EQ(d.end, DataCopy::End::Whole);
        }
    }
}

// Every size around the block and the chunk (small here, through the seam) by the direct
// way: the same bytes, seen once each, with a move's checksum; published whole.
TEST_F(KernelCopyTest, TheDirectWayCopiesEverySizeAroundItsBlocksAndChunks) {
    constexpr int chunk = 64 << 10;
    const QByteArray from = src + "/\xff\n \x83\x5c.bin"; // not UTF-8, a line break
    for (const int size : {0, 1, 4095, 4096, 4097, chunk - 1, chunk, chunk + 1, 5 * chunk + 4097}) {
        SCOPED_TRACE(size);
        const QByteArray content = patterned(size);
        ASSERT_TRUE(writeAll(from, content));
        FileOpFaults op;
        DataCopyFaults data;
        data.cloneError = EOPNOTSUPP; // as on ext4: no instant clone on btrfs or XFS either
        data.directFrom = 0;
        data.directChunk = chunk;
        setFaults(op, data);
        for (const bool withSeen : {false, true}) {
            const DataCopy d = copyData(from, dst, withSeen);
            EXPECT_EQ(d.end, DataCopy::End::Whole);
            EXPECT_TRUE(size == 0 || d.way == CopyWay::Direct);
        }
        ASSERT_EQ(copy(from, dst).outcome, FileOpOutcome::Done);
        EXPECT_TRUE(readAll(dst + "/\xff\n \x83\x5c.bin") == content);
        // A move to another file system: the bytes pass our buffers for its checksum.
        op.moveRenameError = EXDEV;
        setFaults(op, data);
        ASSERT_TRUE(writeAll(from, content + "+"));
        ::unlink((dst + "/\xff\n \x83\x5c.bin").constData());
        const FileOpResult moved =
            RunFileOperation(FileOpKind::Move, fromFsBytes(from), fromFsBytes(dst), {});
        EXPECT_EQ(moved.outcome, FileOpOutcome::Done) << moved.reason.toStdString();
        EXPECT_TRUE(readAll(dst + "/\xff\n \x83\x5c.bin") == content + "+");
        EXPECT_FALSE(QFile::exists(QFile::decodeName(from)));
    }
    ::unlink((dst + "/\xff\n \x83\x5c.bin").constData());
}

// O_DIRECT refused (EINVAL at the fcntl or at any write, as file systems without it
// answer): the kernel's way or the buffer goes on from where it stopped, and the whole file
// is published. Any other failure of a write is the destination's, and nothing is published.
TEST_F(KernelCopyTest, ARefusedDirectWayGoesOnAndAFailedOneReports) {
    constexpr int chunk = 64 << 10;
    const QByteArray content = patterned(5 * chunk + 4097); // writes 0-4 whole, 5 the last block
    const QByteArray from = src + "/data.bin";
    ASSERT_TRUE(writeAll(from, content));
    struct Case {
        const char* name;
        int error, failsAt, rangeError;
        CopyWay way; // the way that finished
    };
    const Case refused[] = {
        {"at the fcntl", EINVAL, -1, 0, CopyWay::KernelRange},
        {"at the first write", EINVAL, 0, 0, CopyWay::KernelRange},
        {"at the third write", EINVAL, 2, 0, CopyWay::KernelRange},
        {"at the last block's", EINVAL, 5, 0, CopyWay::KernelRange},
        {"without copy_file_range", EINVAL, 2, ENOSYS, CopyWay::ReadWrite},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        DataCopyFaults data;
        data.cloneError = EOPNOTSUPP;
        data.rangeError = c.rangeError;
        data.directFrom = 0;
        data.directChunk = chunk;
        data.directError = c.error;
        data.directFailsAtWrite = c.failsAt;
        setFaults({}, data);
        EXPECT_EQ(copyData(from, dst).way, c.way);
        EXPECT_EQ(copyData(from, dst, true).way, CopyWay::ReadWrite);
        const FileOpResult r = copy(from, dst);
        EXPECT_EQ(r.outcome, FileOpOutcome::Done) << r.reason.toStdString();
        EXPECT_TRUE(readAll(dst + "/data.bin") == content);
        ::unlink((dst + "/data.bin").constData());
    }
    for (const int error : {ENOSPC, EIO, EFBIG})
        for (const int failsAt : {0, 3}) {
            SCOPED_TRACE(::strerror(error) + std::string(" at write ") + std::to_string(failsAt));
            FileOpFaults op;
            op.progressDelayMs = 0;
            DataCopyFaults data;
            data.directFrom = 0;
            data.directChunk = chunk;
            data.directError = error;
            data.directFailsAtWrite = failsAt;
            setFaults(op, data);
            QList<int64_t> reports;
            const FileOpResult r = copy(from, dst, [&](int64_t done, int64_t) {
                reports.append(done);
                return true;
            });
            EXPECT_EQ(r.outcome, FileOpOutcome::Failed);
            EXPECT_EQ(r.reason, displayName(fromFsBytes(from)) +
                                    QString::fromUtf8(" をコピーできません。\r\n\r\n行き先：") +
                                    FileErrorText(error));
            EXPECT_EQ(reports.size(), failsAt); // one per chunk written
            EXPECT_TRUE(
                QDir(dstDir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty());
        }
}

// A source cut short or grown while the direct way copies it (after its first chunk): the
// copy holds what reads of the source gave, whether the writer takes the source's own
// pages (no signal when they are gone) or our buffers.
TEST_F(KernelCopyTest, ASourceCutOrGrownMidDirectCopyGivesWhatItThenHolds) {
    constexpr int chunk = 64 << 10;
    const QByteArray content = patterned(6 * chunk + 4097);
    const QByteArray from = src + "/data.bin";
    DataCopyFaults data;
    data.directFrom = 0;
    data.directChunk = chunk;
    setFaults({}, data);
    for (const int64_t to : {int64_t(2 * chunk + 100), int64_t(chunk), int64_t(9 * chunk + 3)})
        for (const bool withSeen : {false, true}) {
            SCOPED_TRACE(std::to_string(to) + (withSeen ? " seen" : ""));
            ASSERT_TRUE(writeAll(from, content));
            const UniqueFd in(::open(from.constData(), O_RDWR | O_CLOEXEC));
            const UniqueFd out(::open(dst.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
            ASSERT_TRUE(in.fd >= 0 && out.fd >= 0);
            QByteArray shown;
            const auto progress = [&](int64_t) {
                return !(::ftruncate(in.fd, off_t(to)) != 0); // every time: no effect after
            };
            const DataCopy r =
                CopyFileData(in.fd, out.fd, progress,
                             withSeen ? std::function<void(const char*, size_t)>(
                                            [&](const char* b, size_t n) { shown.append(b, n); })
                                      : nullptr);
            // Our buffers hold the second chunk as it was read before the cut.
            const QByteArray now =
                withSeen && to < 2 * chunk ? content.left(2 * chunk) : readAll(from);
            EXPECT_EQ(r.end, DataCopy::End::Whole);
            EXPECT_EQ(r.done, now.size());
            EXPECT_TRUE(bytesOf(out.fd) == now);
            EXPECT_TRUE(!withSeen || shown == now);
        }
}

// An ordinary user's copy (a child at uid 65534 when we are root) by the direct way.
TEST_F(KernelCopyTest, AnOrdinaryUsersDirectCopyIsWhole) {
    const QByteArray content = patterned(3 * 4096 + 5);
    ASSERT_EQ(::chmod(src.constData(), 0755), 0);
    ASSERT_EQ(::chmod(dst.constData(), 0777), 0);
    ASSERT_TRUE(writeAll(src + "/a.bin", content));
    DataCopyFaults data;
    data.directFrom = 0;
    data.directChunk = 8192;
    setFaults({}, data);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        const FileOpResult r =
            RunFileOperation(FileOpKind::Copy, fromFsBytes(src + "/a.bin"), fromFsBytes(dst), {});
        ::_exit(r.outcome == FileOpOutcome::Done ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(readAll(dst + "/a.bin") == content);
}

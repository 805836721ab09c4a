// A copy's bytes in the kernel (clone, copy_file_range) and through the buffer when the
// kernel's ways fail or stop early: every way ends with the whole file published, a
// cancelled one with nothing.
#include "platform/FileOperation.h"
#include "platform/FsName.h"
#include "platform/KernelCopy.h"
#include "platform/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
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
    // The way CopyFileData takes between two files of the folders, and its result.
    DataCopy copyData(const QByteArray& from, const QByteArray& toFolder) {
        const UniqueFd in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
        const UniqueFd out(::open(toFolder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
        EXPECT_GE(in.fd, 0);
        EXPECT_GE(out.fd, 0);
        DataCopy r = CopyFileData(in.fd, out.fd, {});
        struct stat st;
        EXPECT_EQ(::fstat(out.fd, &st), 0);
        EXPECT_EQ(int64_t(st.st_size), r.done);
        return r;
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

// A cancel at the first report of the kernel's way (64 MiB of a sparse file) and of the
// buffer's (1 MiB) leaves the old file and no part of the new one.
TEST_F(KernelCopyTest, ACancelMidCopyPublishesNothing) {
    const QByteArray from = src + "/big.bin";
    {
        const UniqueFd fd(::open(from.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        ASSERT_GE(fd.fd, 0);
        ASSERT_EQ(::ftruncate(fd.fd, (65 << 20) + 1), 0); // holes: little on disk
    }
    for (const bool buffered : {false, true}) {
        SCOPED_TRACE(buffered ? "buffer" : "kernel");
        FileOpFaults faults;
        faults.progressDelayMs = 0;
        faults.copyRangeError = buffered ? ENOSYS : 0;
        SetFileOpFaults(faults);
        ASSERT_TRUE(writeAll(dst + "/big.bin", "old"));
        QList<int64_t> reports;
        const FileOpResult r = copy(from, dst, [&](int64_t done, int64_t total) {
            EXPECT_EQ(total, (65 << 20) + 1);
            reports.append(done);
            return false;
        });
        EXPECT_EQ(r.outcome, FileOpOutcome::Cancelled);
        // The buffer reports every 1 MiB, the kernel every chunk of at most 64 MiB.
        ASSERT_EQ(reports.size(), 1);
        if (buffered)
            EXPECT_EQ(reports[0], int64_t(1) << 20);
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
}

// The program's own ZIP directory reader: archives written byte by byte (ZipBuilder.h),
// archives made by Python's zipfile and zip(1), and damaged ones.
#include "archive/ZipReader.h"
#include "platform/FsName.h"
#include "tests/archive/ZipBuilder.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using archive::ZipReader;
using ziptest::build;
using ziptest::Member;
using ziptest::Options;

namespace {

// The record is packed: its fields are read by value, never bound to a reference (gtest's
// comparisons take references, which a misaligned field cannot give).
template <typename T> T V(T value) {
    return value;
}

struct Listed {
    std::vector<ArchiveMemberInfo> members;
    int last = 0; // the answer that ended the walk
};

// Every member of an archive in memory; a source that counts reads when asked.
class CountingSource : public archive::ByteSource {
public:
    explicit CountingSource(QByteArray b) : inner_(archive::memorySource(std::move(b))) {}
    uint64_t size() const override { return inner_->size(); }
    uint64_t readAt(uint64_t off, char* dst, uint64_t len) override {
        ++*reads;
        return inner_->readAt(off, dst, len);
    }
    std::shared_ptr<int> reads = std::make_shared<int>(0);

private:
    std::unique_ptr<archive::ByteSource> inner_;
};

Listed listAll(ZipReader& r) {
    Listed out;
    ArchiveMemberInfo info;
    int rc = r.findFirst(&info);
    while (rc == 0) {
        out.members.push_back(info);
        if (out.members.size() > 100000)
            break;
        rc = r.findNext(&info);
    }
    out.last = rc;
    return out;
}

Listed listBytes(const QByteArray& zip) {
    ZipReader r;
    EXPECT_TRUE(r.open(archive::memorySource(zip)));
    return listAll(r);
}

std::vector<QByteArray> names(const Listed& l) {
    std::vector<QByteArray> out;
    for (const auto& m : l.members)
        out.emplace_back(m.fileName);
    return out;
}

Member member(const QByteArray& name, const QByteArray& data = "data") {
    Member m;
    m.name = name;
    m.data = data;
    return m;
}

bool writeRaw(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

} // namespace

TEST(ZipRecord, FieldsLieAtTheirOffsets) {
    EXPECT_EQ(sizeof(ArchiveMemberInfo), 558u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, originalSize), 0u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, compressedSize), 4u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, crc), 8u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, flag), 12u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, osType), 16u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, ratio), 20u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, date), 22u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, time), 24u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, fileName), 26u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, reserved), 539u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, attribute), 542u);
    EXPECT_EQ(offsetof(ArchiveMemberInfo, method), 550u);
}

TEST(ZipReader, ListsEveryMemberWithItsFieldsAndRawName) {
    const QByteArray utf8 = "フォルダ/日本語.txt";
    const QByteArray cp932 =
        "\x83\x65\x83\x58\x83\x67/\x95\x5c.txt"; // テスト/表.txt, 5C trail byte
    Member a = member(utf8, "hello world");
    a.date = 0x5B2F; // 2025-09-15
    a.time = 0x8C6A; // 17:35:20
    a.crc = 0xCAFEBABE;
    a.flags = 0x0800;
    Member b = member(cp932, "");
    b.comment = "a member comment";
    b.extraPadding = 9;
    Member c = member("dir/");

    // Stale bytes in the caller's record must not show through.
    ZipReader r;
    ASSERT_TRUE(r.open(archive::memorySource(build({a, b, c}))));
    ArchiveMemberInfo info;
    std::memset(&info, 0x7f, sizeof info);
    ASSERT_EQ(r.findFirst(&info), 0);
    EXPECT_EQ(QByteArray(info.fileName), utf8);
    EXPECT_EQ(V(info.originalSize), 11u);
    EXPECT_EQ(V(info.compressedSize), 11u);
    EXPECT_EQ(V(info.crc), 0xCAFEBABEu);
    EXPECT_EQ(V(info.date), 0x5B2F);
    EXPECT_EQ(V(info.time), 0x8C6A);
    EXPECT_EQ(V(info.flag), 0u);
    EXPECT_EQ(V(info.osType), 0u);
    EXPECT_EQ(V(info.ratio), 0);
    EXPECT_EQ(QByteArray(info.reserved, 3), QByteArray(3, '\0'));
    EXPECT_EQ(QByteArray(info.attribute, 8), QByteArray(8, '\0'));
    EXPECT_EQ(QByteArray(info.method, 8), QByteArray(8, '\0'));

    ASSERT_EQ(r.findNext(&info), 0); // across the comment and the extra field
    EXPECT_EQ(QByteArray(info.fileName), cp932);
    EXPECT_EQ(V(info.originalSize), 0u);
    ASSERT_EQ(r.findNext(&info), 0);
    EXPECT_EQ(QByteArray(info.fileName), "dir/");
    EXPECT_EQ(r.findNext(&info), -1); // the end record follows
    EXPECT_EQ(r.findNext(&info), -1);

    // A second first call starts the walk again.
    ASSERT_EQ(r.findFirst(&info), 0);
    EXPECT_EQ(QByteArray(info.fileName), utf8);
}

TEST(ZipReader, ManyMembersInOrder) {
    std::vector<Member> ms;
    for (int i = 0; i < 333; ++i)
        ms.push_back(member("file" + QByteArray::number(i) + ".txt", QByteArray(i % 7, 'x')));
    const Listed l = listBytes(build(ms));
    ASSERT_EQ(l.members.size(), 333u);
    EXPECT_EQ(l.last, -1);
    for (int i = 0; i < 333; ++i) {
        EXPECT_EQ(QByteArray(l.members[size_t(i)].fileName), ms[size_t(i)].name);
        EXPECT_EQ(V(l.members[size_t(i)].originalSize), uint32_t(i % 7));
    }
}

TEST(ZipReader, EmptyAndTinyFiles) {
    // 21 bytes: too short for an end record; nothing is read.
    auto tiny = std::make_unique<CountingSource>(QByteArray(21, 'P'));
    auto reads = tiny->reads;
    ZipReader r;
    ASSERT_TRUE(r.open(std::move(tiny)));
    ArchiveMemberInfo info;
    EXPECT_EQ(r.findFirst(&info), -1);
    EXPECT_EQ(*reads, 0);

    // The empty archive: an end record alone, its directory offset at itself.
    const QByteArray empty = build({});
    ASSERT_EQ(empty.size(), 22);
    const Listed l = listBytes(empty);
    EXPECT_TRUE(l.members.empty());
    EXPECT_EQ(l.last, -1);

    EXPECT_EQ(listBytes(QByteArray()).last, -1);
    EXPECT_EQ(listBytes("not a zip file at all, only some text that is long enough").last, -1);
}

TEST(ZipReader, EndRecordFoundBehindAnyCommentLength) {
    // Lengths around the first window's edge (the record across two windows), around
    // later edges, and the longest comment there is.
    std::vector<int> lengths = {0, 1, 65535, 65534, 65000, 64213, 64214, 3000, 2027, 2028};
    for (int c = 990; c <= 1030; ++c)
        lengths.push_back(c);
    for (int c : lengths) {
        Options o;
        o.comment = QByteArray(c, 'c');
        const Listed l = listBytes(build({member("a.txt"), member("b.txt")}, o));
        EXPECT_EQ(l.members.size(), 2u) << "comment of " << c << " bytes";
    }
    // The same with the archive only just longer than its comment (the search area is the
    // whole file).
    Options o;
    o.comment = QByteArray(65535, 'c');
    EXPECT_EQ(listBytes(build({}, o)).members.size(), 0u);
}

TEST(ZipReader, EncryptedSizesLeaveOutTheEncryptionHeader) {
    Member enc = member("secret.txt", QByteArray(112, 'e'));
    enc.flags = 0x0009; // encrypted, data descriptor
    enc.recordedOriginal = 150;
    Member small = member("broken.txt", QByteArray(5, 'e'));
    small.flags = 1; // too short for its own header: shows as 0, not as 4 GiB
    Member plain = member("plain.txt", QByteArray(112, 'p'));
    const Listed l = listBytes(build({enc, small, plain}));
    ASSERT_EQ(l.members.size(), 3u);
    EXPECT_EQ(V(l.members[0].compressedSize), 100u);
    EXPECT_EQ(V(l.members[0].originalSize), 150u);
    EXPECT_EQ(V(l.members[1].compressedSize), 0u);
    EXPECT_EQ(V(l.members[2].compressedSize), 112u);
}

TEST(ZipReader, SelfExtractorOffsets) {
    const std::vector<Member> ms = {member("one.txt"), member("two.txt")};
    // A DOS stub of (3 - 1) * 512 + 100 = 1124 bytes; offsets count from the archive.
    for (const char* mark : {"MZ", "ZM"}) {
        Options o;
        o.prefix = ziptest::dosStub(3, 100, 0x1c, mark);
        ASSERT_EQ(o.prefix.size(), 1124);
        EXPECT_EQ(names(listBytes(build(ms, o))), (std::vector<QByteArray>{"one.txt", "two.txt"}))
            << mark;
        // Offsets that count from the file's start are right as they stand.
        o.offsetsFromPrefix = true;
        EXPECT_EQ(listBytes(build(ms, o)).members.size(), 2u) << mark;
    }
    // A Windows program (relocation byte 0x40) gets no stub size added; any bytes in front
    // of an archive whose offsets leave them out are found by where the directory ends.
    Options win;
    win.prefix = ziptest::dosStub(3, 100, 0x40);
    Options padded;
    padded.prefix = QByteArray(777, 'P');
    // A page count of 0 makes the stub size negative: it never reaches before the file.
    Options zero;
    zero.prefix = ziptest::dosStub(1, 100);
    zero.prefix[4] = 0;
    for (Options* o : {&win, &padded, &zero}) {
        EXPECT_EQ(names(listBytes(build(ms, *o))), (std::vector<QByteArray>{"one.txt", "two.txt"}))
            << o->prefix.size();
        o->offsetsFromPrefix = true;
        EXPECT_EQ(listBytes(build(ms, *o)).members.size(), 2u) << o->prefix.size();
    }
    // The same with a ZIP64 end record, whose locator's offset leaves the bytes out too.
    padded.offsetsFromPrefix = false;
    padded.zip64End = true;
    EXPECT_EQ(listBytes(build(ms, padded)).members.size(), 2u);
}

TEST(ZipReader, NameLengthLimit) {
    const QByteArray longest(256, 'n');
    const Listed ok = listBytes(build({member(longest), member("after")}));
    ASSERT_EQ(ok.members.size(), 2u);
    EXPECT_EQ(QByteArray(ok.members[0].fileName), longest);

    // A name of 257 bytes ends the walk at that member.
    const Listed cut =
        listBytes(build({member("before"), member(QByteArray(257, 'n')), member("after")}));
    EXPECT_EQ(names(cut), std::vector<QByteArray>{"before"});
    EXPECT_EQ(cut.last, -1);
}

TEST(ZipReader, Zip64SizesAndEndRecord) {
    Member big = member("big.bin");
    big.zip64Sizes = true;
    big.recordedOriginal = 5000000000LL;   // does not fit: the largest the record holds
    big.recordedCompressed = 4294967304LL; // encrypted: 4 GiB - 4 once the header is off
    big.flags = 1;
    Member small = member("small.bin");
    small.zip64Sizes = true;
    small.recordedOriginal = 7;
    small.recordedCompressed = 5;
    Options o;
    o.zip64End = true;
    const Listed l = listBytes(build({big, small, member("plain")}, o));
    ASSERT_EQ(l.members.size(), 3u);
    EXPECT_EQ(V(l.members[0].originalSize), 0xFFFFFFFFu);
    EXPECT_EQ(V(l.members[0].compressedSize), 0xFFFFFFFCu);
    EXPECT_EQ(V(l.members[1].originalSize), 7u);
    EXPECT_EQ(V(l.members[1].compressedSize), 5u);
    EXPECT_EQ(QByteArray(l.members[2].fileName), "plain");

    // Behind a DOS stub with offsets counted from the archive.
    o.prefix = ziptest::dosStub(2, 17);
    EXPECT_EQ(listBytes(build({small}, o)).members.size(), 1u);
}

TEST(ZipReader, DamagedDirectoriesEndTheWalk) {
    const std::vector<Member> ms = {member("a"), member("b"), member("c")};
    const QByteArray good = build(ms);

    // A directory offset past the end of the file, just before it, or pointing at something
    // else: the directory is found where the end record shows it ends (its size is right);
    // with its size wrong too, the record is passed over.
    for (int64_t at : {int64_t(good.size()) + 1000, int64_t(good.size()) - 10, int64_t(0xFFFFFFF0),
                       int64_t(0)}) {
        Options o;
        o.directoryOffset = at;
        QByteArray zip = build(ms, o);
        EXPECT_EQ(names(listBytes(zip)), (std::vector<QByteArray>{"a", "b", "c"})) << at;
        zip[zip.size() - 22 + 12] = char(zip.at(zip.size() - 22 + 12) + 5);
        EXPECT_EQ(listBytes(zip).last, -1) << at;
    }

    // Cut anywhere: never a crash; cut inside the end record, nothing is found.
    for (qsizetype keep = 0; keep < good.size(); ++keep) {
        const Listed l = listBytes(good.left(keep));
        EXPECT_LE(l.members.size(), 3u);
        if (keep > good.size() - 22) {
            EXPECT_TRUE(l.members.empty()) << keep;
        }
    }

    // An entry whose extra length carries the next offset past the end.
    Member huge = member("huge");
    huge.extraPadding = 60000;
    QByteArray cut = build({huge, member("z")});
    const Listed l = listBytes(cut);
    EXPECT_EQ(names(l), (std::vector<QByteArray>{"huge", "z"}));
    // The same entry with the following bytes gone: the walk ends after it.
    QByteArray shortened = build({member("x"), huge});
    shortened.remove(shortened.size() - 22 - 60000 + 100, 59000);
    const Listed ls = listBytes(shortened);
    EXPECT_LE(ls.members.size(), 2u);
    EXPECT_EQ(ls.last, -1);
}

TEST(ZipReader, OpensOneFileAtATimeByItsOwnBytes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray rawDir = QFile::encodeName(dir.path());
    const QByteArray rawPath = rawDir + "/a\xff\nb\x82\xa0\"q.zip";
    ASSERT_TRUE(writeRaw(rawPath, build({member("m1"), member("m2")})));
    const QString path = platform::fromFsBytes(rawPath);

    ZipReader r;
    ASSERT_TRUE(r.open(path));
    EXPECT_FALSE(r.open(path)); // one archive at a time
    EXPECT_EQ(names(listAll(r)), (std::vector<QByteArray>{"m1", "m2"}));
    r.close();
    ArchiveMemberInfo info;
    EXPECT_EQ(r.findFirst(&info), -1); // nothing open
    EXPECT_EQ(r.findNext(&info), -1);
    ASSERT_TRUE(r.open(path));        // open again after closing
    EXPECT_EQ(r.findNext(&info), -1); // no first call yet
    r.close();

    EXPECT_FALSE(r.open(platform::fromFsBytes(rawDir + "/missing.zip")));
    EXPECT_FALSE(r.open(dir.path()));                  // a directory
    EXPECT_FALSE(r.open(QStringLiteral("/dev/null"))); // not a regular file
    ASSERT_EQ(::mkfifo((rawDir + "/fifo").constData(), 0600), 0);
    EXPECT_FALSE(r.open(platform::fromFsBytes(rawDir + "/fifo"))); // refused, not waited on
    EXPECT_FALSE(r.isOpen());

    // The process-wide walk with the library's signatures.
    EXPECT_EQ(archive::UnzipOpenArchive(nullptr, path, 0x1000), 1);
    EXPECT_EQ(archive::UnzipOpenArchive(nullptr, path, 0x1000), 0);
    ASSERT_EQ(archive::UnzipFindFirst(nullptr, "*.*", &info), 0);
    EXPECT_STREQ(info.fileName, "m1");
    ASSERT_EQ(archive::UnzipFindNext(nullptr, &info), 0);
    EXPECT_STREQ(info.fileName, "m2");
    EXPECT_EQ(archive::UnzipFindNext(nullptr, &info), -1);
    EXPECT_EQ(archive::UnzipCloseArchive(nullptr), 0);
    EXPECT_EQ(archive::UnzipCloseArchive(nullptr), 0);
    EXPECT_EQ(archive::UnzipFindFirst(nullptr, "*.*", &info), -1);
    EXPECT_EQ(archive::UnzipOpenArchive(nullptr, path, 0), 1);
    archive::ResetZipReader();
    EXPECT_EQ(archive::UnzipFindFirst(nullptr, "*.*", &info), -1);
    ::unlink(rawPath.constData()); // a name QTemporaryDir cannot remove
}

// Archives written by other tools, listed next to what those tools say.
TEST(ZipReader, AgreesWithPythonZipfile) {
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 not found";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString zip = dir.filePath("made.zip");
    const QString listing = dir.filePath("list.txt");
    // Deflated and stored members, UTF-8 names, a directory, a comment, 310 members; the
    // expected listing is name, original size, compressed size, date and time fields.
    const char* script = R"PY(
import sys, zipfile
out, listing = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(out, 'w') as z:
    z.comment = b'x' * 3000
    z.writestr('dir/', b'')
    for i in range(310):
        name = f'日本/ファイル{i}.txt' if i % 3 else f'plain{i}.bin'
        info = zipfile.ZipInfo(name, date_time=(2001, 2, 3, 4, 5, 6 + i % 50))
        info.compress_type = zipfile.ZIP_DEFLATED if i % 2 else zipfile.ZIP_STORED
        z.writestr(info, (b'abc' * i)[: i * 2])
with zipfile.ZipFile(out) as z, open(listing, 'w', encoding='utf-8') as f:
    for i in z.infolist():
        d, t = i.date_time[:3], i.date_time[3:]
        date = (d[0] - 1980) << 9 | d[1] << 5 | d[2]
        time = t[0] << 11 | t[1] << 5 | t[2] // 2
        f.write(f'{i.filename}\t{i.file_size}\t{i.compress_size}\t{date}\t{time}\t{i.CRC}\n')
)PY";
    QProcess p;
    p.start(python, {"-c", script, zip, listing});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();

    QFile f(listing);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList expected;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (!line.isEmpty())
            expected << QString::fromUtf8(line);

    ZipReader r;
    ASSERT_TRUE(r.open(zip));
    QStringList got;
    for (const auto& m : listAll(r).members)
        got << QString::fromUtf8(m.fileName) + '\t' + QString::number(m.originalSize) + '\t' +
                   QString::number(m.compressedSize) + '\t' + QString::number(m.date) + '\t' +
                   QString::number(m.time) + '\t' + QString::number(m.crc);
    EXPECT_EQ(got.size(), 311);
    EXPECT_EQ(got, expected);
}

TEST(ZipReader, EncryptedMemberOfZipTool) {
    const QString zipTool = QStandardPaths::findExecutable("zip");
    if (zipTool.isEmpty())
        GTEST_SKIP() << "zip not found";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(writeRaw(QFile::encodeName(dir.filePath("plain.txt")), QByteArray(500, 'q')));
    QProcess p;
    p.setWorkingDirectory(dir.path());
    // Stored (-0) so that the data's size is known: 500 bytes plus the 12-byte header.
    p.start(zipTool, {"-q", "-0", "-P", "secret", "enc.zip", "plain.txt"});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0);
    ZipReader r;
    ASSERT_TRUE(r.open(dir.filePath("enc.zip")));
    const Listed l = listAll(r);
    ASSERT_EQ(l.members.size(), 1u);
    EXPECT_EQ(V(l.members[0].originalSize), 500u);
    EXPECT_EQ(V(l.members[0].compressedSize), 500u);
}

// Archives larger than the file reader's buffer: headers and names across its edges,
// and a file cut short after it was opened.
TEST(ZipReader, FileListingMatchesMemoryAcrossReadBuffers) {
    std::vector<Member> ms;
    for (int i = 0; i < 1500; ++i) {
        Member m = member(QByteArray(40 + i % 200, char('a' + i % 26)) + QByteArray::number(i),
                          QByteArray(i % 97, 'd'));
        m.comment = QByteArray(i % 13, 'c');
        ms.push_back(m);
    }
    Options o;
    o.comment = QByteArray(5000, 'z');
    const QByteArray zip = build(ms, o);
    ASSERT_GT(zip.size(), 3 * 65536);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray path = QFile::encodeName(dir.filePath("big.zip"));
    ASSERT_TRUE(writeRaw(path, zip));

    ZipReader r;
    ASSERT_TRUE(r.open(platform::fromFsBytes(path)));
    const Listed fromFile = listAll(r);
    const Listed fromMemory = listBytes(zip);
    ASSERT_EQ(fromFile.members.size(), 1500u);
    ASSERT_EQ(fromMemory.members.size(), 1500u);
    for (size_t i = 0; i < 1500; ++i)
        ASSERT_EQ(
            std::memcmp(&fromFile.members[i], &fromMemory.members[i], sizeof(ArchiveMemberInfo)), 0)
            << i;

    // Cut in the middle of the directory while open: the walk stops there, no more.
    ArchiveMemberInfo info;
    ASSERT_EQ(r.findFirst(&info), 0);
    ASSERT_EQ(::truncate(path.constData(), zip.size() - 5022 - 30000), 0);
    int more = 0;
    while (r.findNext(&info) == 0)
        ++more;
    EXPECT_LT(more, 1499);
}

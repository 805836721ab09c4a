// The ZIP directory reader on the committed fixtures (tests/data/archive, see its README):
// archives as other programs and self-extractors lay them out, listed from disk.
#include "archive/ZipReader.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

using archive::ZipReader;

namespace {

// The record is packed: its fields are read by value.
template <typename T> T V(T value) {
    return value;
}

QString fixture(const char* name) {
    return QStringLiteral(ZELMO_TEST_DATA "/archive/") + QString::fromUtf8(name);
}

struct Listed {
    bool opened = false;
    int first = 0; // the first call's answer
    std::vector<ArchiveMemberInfo> members;
    const ArchiveMemberInfo& at(size_t i) const { return members.at(i); }
    std::vector<QByteArray> names() const {
        std::vector<QByteArray> out;
        for (const auto& m : members)
            out.emplace_back(m.fileName);
        return out;
    }
};

Listed list(const char* name) {
    Listed out;
    ZipReader r;
    out.opened = r.open(fixture(name));
    if (!out.opened)
        return out;
    ArchiveMemberInfo info;
    out.first = r.findFirst(&info);
    for (int rc = out.first; rc == 0 && out.members.size() < 1000; rc = r.findNext(&info))
        out.members.push_back(info);
    return out;
}

QByteArray readFixture(const char* name) {
    QFile f(fixture(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

uint32_t le(const QByteArray& b, qsizetype at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | uint8_t(b.at(at + i));
    return v;
}

// MS-DOS stamps of the two dates the fixtures use.
constexpr uint16_t kDate1998 = (1998 - 1980) << 9 | 6 << 5 | 5; // 1998-06-05
constexpr uint16_t kTime1998 = 10 << 11 | 4 << 5 | 6 / 2;       // 10:04:06
constexpr uint16_t kDate2024 = (2024 - 1980) << 9 | 12 << 5 | 31;
constexpr uint16_t kTime2024 = 23 << 11 | 59 << 5 | 58 / 2;

} // namespace

TEST(ZipFixtures, JapaneseNamesComeAsStoredBytes) {
    struct Expected {
        const char* file;
        std::vector<QByteArray> names;
    };
    // UTF-8 with the flag, and CP932 without it: neither is converted. The CP932 names
    // hold 0x5C as a trail byte (ソ 83 5C, 表 95 5C), which must not end anything.
    const Expected cases[] = {
        {"japanese_utf8.zip",
         {"フォルダ/日本語テキスト.txt", "フォルダ/utf8テキスト.txt", "ソフト/表.txt", "SETUP.EXE",
          "Plugin.DLL"}},
        {"japanese_cp932.zip",
         {"\x83t\x83H\x83\x8b\x83_/\x93\xfa\x96{\x8c\xea\x83"
          "e\x83L\x83X\x83g.txt",
          "\x83t\x83H\x83\x8b\x83_/utf8\x83"
          "e\x83L\x83X\x83g.txt",
          "\x83\x5c\x83t\x83g/\x95\x5c.txt", "SETUP.EXE", "Plugin.DLL"}},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.file);
        const Listed l = list(c.file);
        ASSERT_TRUE(l.opened);
        EXPECT_EQ(l.names(), c.names);
        ASSERT_EQ(l.members.size(), 5u);
        // Sizes as the list shows them; the CP932 text is dated 1998-06-05 10:04:06.
        EXPECT_EQ(V(l.at(0).originalSize), 2520u);
        EXPECT_EQ(V(l.at(0).compressedSize), 147u);
        EXPECT_EQ(V(l.at(0).date), kDate1998);
        EXPECT_EQ(V(l.at(0).time), kTime1998);
        EXPECT_EQ(V(l.at(1).originalSize), 3680u);
        EXPECT_EQ(V(l.at(1).compressedSize), 178u);
        EXPECT_EQ(V(l.at(1).date), kDate2024);
        EXPECT_EQ(V(l.at(1).time), kTime2024);
        EXPECT_EQ(V(l.at(2).originalSize), 10u);
        EXPECT_EQ(V(l.at(3).compressedSize), 52u);
        EXPECT_EQ(V(l.at(4).originalSize), 1736u);
        EXPECT_EQ(V(l.at(4).compressedSize), 1736u);
    }
}

TEST(ZipFixtures, SizesDatesAndEncryption) {
    const Listed sizes = list("sizes.zip");
    ASSERT_EQ(sizes.names(), (std::vector<QByteArray>{"size999.bin", "size1000.bin", "zeros30m.bin",
                                                      "stored.txt"}));
    EXPECT_EQ(V(sizes.at(0).originalSize), 999u);
    EXPECT_EQ(V(sizes.at(0).compressedSize), 167u);
    EXPECT_EQ(V(sizes.at(1).originalSize), 1000u);
    EXPECT_EQ(V(sizes.at(1).compressedSize), 250u);
    EXPECT_EQ(V(sizes.at(2).originalSize), 30000000u);
    EXPECT_EQ(V(sizes.at(2).compressedSize), 29174u);
    EXPECT_EQ(V(sizes.at(3).originalSize), 14u);
    EXPECT_EQ(V(sizes.at(3).compressedSize), 14u);
    EXPECT_EQ(V(sizes.at(3).date), kDate1998);
    EXPECT_EQ(V(sizes.at(3).time), kTime1998);
    EXPECT_EQ(V(sizes.at(3).crc), 0xA24EB934u);

    // 100 bytes stored and encrypted: 112 recorded, the 12-byte header left out; the
    // member after it is not affected.
    const Listed enc = list("encrypted.zip");
    ASSERT_EQ(enc.names(), (std::vector<QByteArray>{"secret.txt", "plain.txt"}));
    EXPECT_EQ(V(enc.at(0).originalSize), 100u);
    EXPECT_EQ(V(enc.at(0).compressedSize), 100u);
    EXPECT_EQ(V(enc.at(0).date), kDate1998);
    EXPECT_EQ(V(enc.at(1).originalSize), 305u);
    EXPECT_EQ(V(enc.at(1).compressedSize), 81u);

    // ZIP64: the sizes come from the extra field, the directory from the ZIP64 end record.
    const Listed z64 = list("zip64.zip");
    ASSERT_EQ(z64.names(), (std::vector<QByteArray>{"zip64_a.txt", "zip64_b.bin"}));
    EXPECT_EQ(V(z64.at(0).originalSize), 1897u);
    EXPECT_EQ(V(z64.at(0).compressedSize), 256u);
    EXPECT_EQ(V(z64.at(1).originalSize), 64u);
    EXPECT_EQ(V(z64.at(1).compressedSize), 64u);
}

TEST(ZipFixtures, EndRecordSearch) {
    // Behind a comment of 65 535 bytes: the record lies at the far end of the search area.
    const Listed comment = list("comment65535.zip");
    EXPECT_EQ(comment.names(), (std::vector<QByteArray>{"a.txt", "b.txt"}));

    // 301 members: the reader lists all of them in archive order; the window keeps 300.
    const Listed many = list("many301.zip");
    ASSERT_EQ(many.members.size(), 301u);
    for (size_t i = 0; i < many.members.size(); ++i)
        EXPECT_EQ(QByteArray(many.at(i).fileName),
                  "file" + QByteArray::number(int(i) + 1).rightJustified(3, '0') + ".txt");

    // Too short for an end record, and files that are no ZIP at all.
    for (const char* other : {"tiny21.zip", "level2.lzh", "japanese.Lzh5", "README.md"}) {
        const Listed l = list(other);
        EXPECT_TRUE(l.opened) << other;
        EXPECT_EQ(l.first, -1) << other;
        EXPECT_TRUE(l.members.empty()) << other;
    }
    EXPECT_EQ(readFixture("tiny21.zip").size(), 21);
}

TEST(ZipFixtures, SelfExtractorOffsets) {
    // The fixtures are what the rule needs: the end record is last (no comment), and its
    // recorded directory offset D either counts from the appended archive (a header only
    // at D + stub size) or from the file's start. Where the stub size is not added (no DOS
    // image), the directory is found where the end record shows it ends.
    struct Sfx {
        const char* file;
        uint8_t relocation; // byte 24
        qsizetype stub;     // (pages - 1) * 512 + bytes in the last page
        bool adjusted;      // the recorded offsets count from the file's start
    };
    const Sfx cases[] = {
        {"sfx_dos.exe", 0x1C, 1124, false},
        {"sfx_win.exe", 0x40, 1736, true},
        {"sfx_win_unadjusted.exe", 0x40, 1736, false},
    };
    for (const Sfx& c : cases) {
        SCOPED_TRACE(c.file);
        const QByteArray b = readFixture(c.file);
        ASSERT_GT(b.size(), c.stub + 22);
        ASSERT_EQ(b.left(2), "MZ");
        ASSERT_EQ(uint8_t(b.at(24)), c.relocation);
        ASSERT_EQ(qsizetype(le(b, 4, 2) - 1) * 512 + le(b, 2, 2), c.stub);
        const qsizetype end = b.size() - 22;
        ASSERT_EQ(le(b, end, 4), 0x06054b50u);
        const qsizetype d = le(b, end + 16, 4);
        const qsizetype header = c.adjusted ? d : d + c.stub;
        ASSERT_EQ(le(b, header, 4), 0x02014b50u);
        if (!c.adjusted) {
            ASSERT_NE(le(b, d, 4), 0x02014b50u);
        }

        // The process-wide walk, as the archive window calls it.
        ASSERT_EQ(archive::UnzipOpenArchive(nullptr, fixture(c.file), 0x1000), 1);
        ArchiveMemberInfo info;
        std::vector<QByteArray> names;
        for (int rc = archive::UnzipFindFirst(nullptr, "*.*", &info); rc == 0;
             rc = archive::UnzipFindNext(nullptr, &info))
            names.emplace_back(info.fileName);
        EXPECT_EQ(archive::UnzipCloseArchive(nullptr), 0);
        const std::vector<QByteArray> expected = {"sfx_one.txt", "sfx_two.txt"};
        EXPECT_EQ(names, expected);
    }
}

TEST(ZipFixtures, HostileNamesAreListedAsStored) {
    // Listing writes nothing: names are shown as they stand, and an entry's size is what
    // its directory says, however often its data is shared.
    EXPECT_EQ(list("hostile/slip.zip").names(),
              (std::vector<QByteArray>{"../evil.txt", "sub/../../evil2.txt"}));
    EXPECT_EQ(list("hostile/absolute.zip").names(),
              std::vector<QByteArray>{"/tmp/zelmo_hostile_absolute.txt"});
    EXPECT_EQ(list("hostile/backslash.zip").names(), std::vector<QByteArray>{"..\\..\\evil.txt"});
    EXPECT_EQ(list("hostile/newline.zip").names(), std::vector<QByteArray>{"line1\nline2.txt"});
    EXPECT_EQ(list("hostile/symlink.zip").names(),
              (std::vector<QByteArray>{"link", "link/evil.txt"}));
    EXPECT_EQ(list("hostile/device.zip").names(), std::vector<QByteArray>{"null_char"});

    const Listed bomb = list("hostile/bomb.zip");
    ASSERT_EQ(bomb.members.size(), 30u);
    EXPECT_EQ(QByteArray(bomb.at(29).fileName), "bomb29.bin");
    for (const auto& m : bomb.members) {
        EXPECT_EQ(V(m.originalSize), 10000000u);
        EXPECT_EQ(V(m.compressedSize), 9732u);
    }
}

// Every committed archive fixture through the three roads a member takes in the program:
// the listing (the LZH library's walk, the own ZIP reader), the member view
// ("UnlhaExtractMem", "UnZip -p") and the extraction ("x", "-x"), with the real libraries.
// The three must agree on every member: what is listed is viewed and written with the
// same bytes, under the name the listing decodes; only the members a fixture holds broken
// on purpose are missing, and the extraction then fails and names them.
#include "archive/CommandQuote.h"
#include "archive/LzhBinding.h"
#include "archive/MemberColumns.h"
#include "archive/ZipBinding.h"
#include "archive/ZipReader.h"
#include "outside/archive/MemberName.h"

#include <QFile>
#include <QTemporaryDir>
#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct Fixture {
    const char* file;
    bool lzh;
    int members;                          // listed
    std::set<std::string> broken;         // members (as listed) that cannot be read or are refused
    std::map<std::string, QString> shown; // listed bytes -> the text the window shows
    bool damaged = false; // the extraction fails past the listed members, or cannot begin
    std::set<std::string> unlisted = {}; // files written that the listing cannot show
};

const std::vector<Fixture>& fixtures() {
    static const std::vector<Fixture> all = {
        {"level0.lzh", true, 4, {}, {}},
        {"level1.lzh", true, 4, {}, {}},
        {"level2.lzh", true, 4, {}, {}},
        {"japanese_l0.lzh", true, 5, {}, {}},
        {"japanese_l1.lzh", true, 5, {}, {}},
        {"japanese_l2.lzh", true, 5, {}, {{"ソフト/表.txt", QStringLiteral("ソフト/表.txt")}}},
        {"japanese.Lzh5", true, 5, {}, {}},
        {"many301.lzh", true, 301, {}, {}},
        {"ratio.lzh", true, 2, {}, {}},
        {"absolute.lzh", true, 2, {}, {}},
        {"rooted_l2.lzh", true, 1, {}, {}},
        {"symlink_no_target.lzh", true, 2, {"link"}, {}},
        {"unsupported_lh2.lzh", true, 3, {"old.bin"}, {}},
        {"time1970_l0.lzh", true, 2, {}, {}},
        {"lzh-old/generated-lzs-lzs.lzs", true, 1, {}, {}},
        {"lzh-old/larc333-lz5.lzs", true, 1, {}, {}},
        {"lzh-old/pmarc124-pm1.pma", true, 1, {}, {}},
        {"lzh-old/pmarc2-pm2.pma", true, 1, {}, {}},
        {"lzh-old/lharc113-lh1.lzh", true, 1, {}, {}},
        {"lzh-old/lha_amiga_122-lh4.lzh", true, 1, {}, {}},
        {"lzh-old/lha_amiga_122-level2.lzh", true, 1, {}, {}},
        {"lzh-old/lha_osk_201-h2_lh5.lzh", true, 1, {}, {}},
        {"lzh-old/lhmelt_16536-h1_subdir.lzh", true, 2, {}, {}},
        {"lzh-old/maclha_224-l1_lh5.lzh", true, 1, {}, {}},
        {"lzh-old/morphos_lha_2717-h0_metadata.lzh",
         true,
         1,
         {},
         {{"metadata.txt", QStringLiteral("metadata.txt")}}},
        {"lzh-old/morphos_lha_2717-h2_lh5.lzh", true, 1, {}, {}},
        {"lzh-old/unlha32-h2_lhx.lzh", true, 1, {}, {}},
        {"names_latin1.lzh",
         true,
         4,
         {},
         {{"caf\xE9.txt", QStringLiteral("caf\\xE9.txt")},
          {"\x80\x81\xFD\xA0random.bin", QStringLiteral("\\x80\\x81\\xFD\\xA0random.bin")}}},
        {"names_eucjp.lzh", true, 3, {}, {}},
        {"names_utf8.lzh",
         true,
         4,
         {},
         {{"フォルダ/テキスト.txt", QStringLiteral("フォルダ/テキスト.txt")},
          {"café.txt", QStringLiteral("café.txt")}}},
        {"names_utf16.lzh",
         true,
         3,
         {},
         {{"ÜÖÄüöä/äöüÄÖÜ.txt", QStringLiteral("ÜÖÄüöä/äöüÄÖÜ.txt")}}},
        {"bad_member.lzh", true, 3, {"bad.bin"}, {}},
        {"level3.lzh", true, 3, {}, {{"folder/inner.txt", QStringLiteral("folder/inner.txt")}}},
        {"time1970.lzh", true, 2, {}, {}},
        // Bytes where the end mark would stand: extraction reports them as a damaged header.
        {"junk_tail.lzh", true, 2, {}, {}, true},
        {"japanese_utf8.zip", false, 5, {}, {}},
        {"japanese_cp932.zip", false, 5, {}, {}},
        {"comment65535.zip", false, 2, {}, {}},
        {"encrypted.zip", false, 2, {"secret.txt"}, {}},
        {"sfx_dos.exe", false, 2, {}, {}},
        {"sfx_win.exe", false, 2, {}, {}},
        {"sfx_win_unadjusted.exe", false, 2, {}, {}},
        {"padded.zip",
         false,
         2,
         {},
         {{"\x97\x5d\x94\x92/\x8c\xe3\x82\xeb.txt", QStringLiteral("余白/後ろ.txt")}}},
        {"many301.zip", false, 301, {}, {}},
        {"zip64.zip", false, 2, {}, {}},
        {"sizes.zip", false, 4, {}, {}},
        {"bad_member.zip", false, 3, {"link"}, {}},
        // A reader started at lost.txt fails at once; the next one starts past the padding.
        {"bad_local.zip", false, 3, {"lost.txt"}, {}},
        // A reader started at skipped.txt passes it and returns after.txt's header.
        {"skipped_local.zip", false, 3, {"skipped.txt"}, {}},
        // No directory to list: the members are read one after another, named by their
        // own headers, until the file ends.
        {"cut_directory.zip", false, 0, {}, {}, true, {"first.txt", "表.txt"}},
        // Cut inside the directory: the members stand whole before it, the end record is gone.
        {"cut_in_directory.zip", false, 0, {}, {}, true, {"first.txt", "表.txt", "last.txt"}},
        {"fake_end.zip", false, 1, {}, {}},
        {"not_a_zip.zip", false, 0, {}, {}, true},
        {"names_zip.zip",
         false,
         3,
         {},
         {{"café.txt", QStringLiteral("café.txt")}, {"plain.txt", QStringLiteral("plain.txt")}}},
        {"names_unicode_field.zip",
         false,
         3,
         {},
         {{"File 2 - ö.txt", QStringLiteral("File 2 - ö.txt")},
          {"stale.txt", QStringLiteral("stale.txt")},
          {"\xAF\xE0\xA8\xA2\xA5\xE2.txt", QStringLiteral("\\xAF\\xE0\\xA8\\xA2\\xA5\\xE2.txt")}}},
    };
    return all;
}

// The fixture's path; old archivers' .lzs and .pma files as .lzh copies, the name the
// program takes them by.
QString fixturePath(const char* name) {
    const QString original = QStringLiteral(ZELMO_TEST_DATA "/archive/") + QString::fromUtf8(name);
    if (!original.endsWith(QLatin1String(".lzs")) && !original.endsWith(QLatin1String(".pma")))
        return original;
    static QTemporaryDir copies;
    const QString copy = copies.path() + QLatin1Char('/') +
                         QString::fromUtf8(name).section(QLatin1Char('/'), -1) +
                         QStringLiteral(".lzh");
    if (!QFile::exists(copy))
        QFile::copy(original, copy);
    return copy;
}

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Every regular file below root by its path relative to root (bytes as on disk).
void filesBelow(const std::string& root, const std::string& rel,
                std::map<std::string, std::string>& out) {
    DIR* d = opendir((root + "/" + rel).c_str());
    if (!d)
        return;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string sub = rel.empty() ? name : rel + "/" + name;
        struct stat st {};
        if (lstat((root + "/" + sub).c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            filesBelow(root, sub, out);
        else if (S_ISREG(st.st_mode))
            out[sub] = readFile(root + "/" + sub);
    }
    closedir(d);
}

// The name the libraries write for listed bytes: each name decoded on its own.
std::string diskName(const QByteArray& listed) {
    std::string out(4 * size_t(listed.size()) + 16, '\0');
    const size_t n = zelmo_decode_name(reinterpret_cast<const unsigned char*>(listed.constData()),
                                       size_t(listed.size()), out.data(), out.size());
    out.resize(n == size_t(-1) ? 0 : n);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    // A leading separator is dropped: the member lands below the destination.
    return out.substr(std::min(out.find_first_not_of('/'), out.size()));
}

std::vector<archive::MemberRow> listing(const Fixture& f) {
    std::vector<archive::MemberRow> rows;
    const QByteArray path = fixturePath(f.file).toUtf8();
    const auto kind = f.lzh ? archive::ArchiveKind::Lzh : archive::ArchiveKind::Zip;
    ArchiveMemberInfo info{};
    if (f.lzh) {
        HARC h = archive::Lzh().UnlhaOpenArchive(nullptr, path.constData(), 0x1000);
        if (!h)
            return rows;
        for (int r = archive::Lzh().UnlhaFindFirst(h, "*.*", &info); r == 0;
             r = archive::Lzh().UnlhaFindNext(h, &info))
            rows.push_back(archive::MemberRowFrom(info, kind, QLocale::c()));
        archive::Lzh().UnlhaCloseArchive(h);
    } else {
        archive::ZipReader reader;
        if (!reader.open(fixturePath(f.file)))
            return rows;
        for (int r = reader.findFirst(&info); r == 0; r = reader.findNext(&info))
            rows.push_back(archive::MemberRowFrom(info, kind, QLocale::c()));
    }
    return rows;
}

QByteArray view(const Fixture& f, const QByteArray& member) {
    const QByteArray path = fixturePath(f.file).toUtf8();
    QByteArray buffer(800000, '\0');
    if (f.lzh) {
        int32_t time = 0;
        uint16_t attributes = 0;
        uint32_t written = 0;
        archive::Lzh().UnlhaExtractMem(nullptr, archive::MemberCommand(path, member).constData(),
                                       reinterpret_cast<unsigned char*>(buffer.data()),
                                       uint32_t(buffer.size()), &time, &attributes, &written);
        return archive::TextInBuffer(buffer, qsizetype(written)); // as the window takes it
    }
    archive::Zip().Unzip(nullptr, archive::ZipPrintCommand(path, member).constData(), buffer.data(),
                         uint32_t(buffer.size()));
    return QByteArray(buffer.constData()); // up to its NUL, as the window takes it
}

class ArchiveFixtures : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(archive::StartLzhBinding(QStringLiteral(ZELMO_UNLHA32_LIB)));
        archive::UnloadUnzipLibrary();
        archive::LoadUnzipLibrary(QStringLiteral(ZELMO_UNZIP32_LIB));
    }
    static void TearDownTestSuite() {
        archive::UnloadUnzipLibrary();
        archive::EndLzhBinding();
    }
};

TEST_F(ArchiveFixtures, ListingViewAndExtractionAgreeOnEveryMember) {
    for (const Fixture& f : fixtures()) {
        SCOPED_TRACE(f.file);
        const std::vector<archive::MemberRow> rows = listing(f);
        ASSERT_EQ(int(rows.size()), f.members);

        QTemporaryDir dest;
        const QByteArray path = fixturePath(f.file).toUtf8();
        const QByteArray command = QByteArray(f.lzh ? "x " : "-x ") + archive::QuoteArgument(path) +
                                   ' ' + archive::QuoteArgument(dest.path().toUtf8() + '\\');
        QByteArray report(32000, '\0');
        const int result = f.lzh ? archive::Lzh().Unlha(nullptr, command.constData(), report.data(),
                                                        uint32_t(report.size()))
                                 : archive::Zip().Unzip(nullptr, command.constData(), report.data(),
                                                        uint32_t(report.size()));
        report = QByteArray(report.constData());
        EXPECT_EQ(result != 0, !f.broken.empty() || f.damaged) << report.constData();
        if (f.damaged) {
            EXPECT_TRUE(report.contains("the archive is damaged") ||
                        report.contains("cannot open the archive") ||
                        report.contains("damaged header at byte"))
                << report.constData();
            EXPECT_FALSE(report.contains("(null)")) << report.constData(); // a reason given
        }
        std::map<std::string, std::string> disk;
        filesBelow(dest.path().toStdString(), "", disk);

        size_t files = 0;
        for (const archive::MemberRow& row : rows) {
            const std::string listed = row.nameBytes.toStdString();
            SCOPED_TRACE(listed);
            if (!listed.empty() && listed.back() == '/')
                continue; // a folder
            const auto shown = f.shown.find(listed);
            if (shown != f.shown.end()) {
                EXPECT_EQ(row.texts[0], shown->second);
            }
            const std::string name = diskName(row.nameBytes);
            const QByteArray viewed = view(f, row.nameBytes);
            if (f.broken.count(listed)) {
                EXPECT_EQ(disk.count(name), 0u);
                // The library's report names each member left out.
                EXPECT_NE(report.indexOf(QByteArray::fromStdString(listed)), -1)
                    << report.constData();
                continue;
            }
            ++files;
            ASSERT_EQ(disk.count(name), 1u) << report.constData();
            const std::string& content = disk[name];
            EXPECT_EQ(viewed.toStdString(),
                      content.substr(0, std::min<size_t>(content.size(), 800000))
                          .substr(0, content.find('\0')));
        }
        for (const std::string& name : f.unlisted)
            EXPECT_EQ(disk.count(name), 1u) << name << "\n" << report.constData();
        EXPECT_EQ(disk.size(), files + f.unlisted.size());
    }
}

} // namespace

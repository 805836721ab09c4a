// The bindings of the two archive libraries, against stand-in libraries of every kind.
#include "archive/LzhBinding.h"
#include "archive/ZipBinding.h"
#include "ui/MessageDialog.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString variant(const char* folder, const char* file = "libunzip32.so") {
    return QStringLiteral(ZELMO_ARCHIVE_VARIANTS "/%1/%2").arg(folder, file);
}

// The text of the error a call raises; empty when it raises none.
template <typename E> QString raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const E& e) {
        return e.text();
    }
    return {};
}

QString loadError(const QString& path) {
    return raised<EPanArchiveError>([&] { archive::LoadUnzipLibrary(path); });
}

class ZipBinding : public ::testing::Test {
protected:
    void TearDown() override { archive::UnloadUnzipLibrary(); }
    QTemporaryDir dir;
};

// What each of the nine slots says while it is a stub.
void expectAllStubs() {
    archive::ZipEntries& z = archive::Zip();
    ArchiveMemberInfo info{};
    char out[8];
    const std::pair<const char*, std::function<void()>> calls[] = {
        {"UnzipGetRunningは使えない", [&] { z.UnzipGetRunning(); }},
        {"Unzipは使えない", [&] { z.Unzip(nullptr, "-x", out, sizeof out); }},
        {"UnzipCheckArchiveは使えない", [&] { z.UnzipCheckArchive("a.zip", 0); }},
        {"MicUnZipGetVersionは使えない", [&] { z.MicUnZipGetVersion(); }},
        {"UnZipGetVersionは使えない", [&] { z.UnZipGetVersion(); }},
        {"UnzipOpenArchiveは使えない", [&] { z.UnzipOpenArchive(nullptr, "a.zip", 0); }},
        {"UnzipCloseArchiveは使えない", [&] { z.UnzipCloseArchive(nullptr); }},
        {"UnzipFindFirstは使えない", [&] { z.UnzipFindFirst(nullptr, "*.*", &info); }},
        {"UnzipFindNextは使えない", [&] { z.UnzipFindNext(nullptr, &info); }},
    };
    for (const auto& [text, call] : calls)
        EXPECT_EQ(raised<EUnzipNoImplement>(call), QString::fromUtf8(text));
}

TEST_F(ZipBinding, EverySlotIsAStubUntilALoadSucceedsAndAfterTheUnload) {
    expectAllStubs();
    archive::LoadUnzipLibrary(variant("unzip-75"));
    archive::ZipEntries& z = archive::Zip();
    char out[16] = "";
    EXPECT_EQ(z.Unzip(nullptr, "-p a.zip b", out, sizeof out), 0);
    EXPECT_STREQ(out, "-p a.zip b"); // the library's own entry answered
    EXPECT_EQ(z.UnZipGetVersion() & 0xffff, 75);
    EXPECT_EQ(z.UnzipOpenArchive, &archive::UnzipOpenArchive);
    EXPECT_EQ(z.UnzipCloseArchive, &archive::UnzipCloseArchive);
    EXPECT_EQ(z.UnzipFindFirst, &archive::UnzipFindFirst);
    EXPECT_EQ(z.UnzipFindNext, &archive::UnzipFindNext);
    archive::UnloadUnzipLibrary();
    expectAllStubs();
}

TEST_F(ZipBinding, ASecondLoadIsRefusedAndTheFirstStaysBound) {
    archive::LoadUnzipLibrary(variant("unzip-75"));
    EXPECT_EQ(raised<EUnzipAlreadyLoaded>([] { archive::LoadUnzipLibrary(variant("dmzip-7")); }),
              "UNZIP32.DLLは既にロードされています");
    EXPECT_EQ(archive::Zip().UnZipGetVersion() & 0xffff, 75);
    // After an unload, a load is welcome again.
    archive::UnloadUnzipLibrary();
    EXPECT_EQ(loadError(variant("dmzip-7")), "");
}

TEST_F(ZipBinding, VersionsAreCheckedByTheLibrarysKind) {
    const struct {
        const char* folder;
        const char* error; // empty: accepted
    } cases[] = {
        {"unzip-74", "UNZIP32.DLL ver 0.75以降を使用してください"},
        {"unzip-75", ""},
        {"unzip-no-version", "UNZIP32.DLLのバージョンをチェックできません"},
        {"dmzip-6", "DMZIP ver 0.07以降を使用してください"},
        {"dmzip-7", ""},
        {"dmzip-no-mic", "DMZIPのバージョンをチェックできません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const QString error = QString::fromUtf8(c.error);
        if (!error.isEmpty()) {
            EXPECT_EQ(
                raised<EUnzipVersionError>([&] { archive::LoadUnzipLibrary(variant(c.folder)); }),
                error);
            // Unloaded and reset: the walk is not ours, and a later load starts afresh.
            expectAllStubs();
        }
        EXPECT_EQ(loadError(variant(c.folder)), error) << "the same answer on a second try";
        if (error.isEmpty()) {
            EXPECT_EQ(archive::Zip().UnzipFindFirst, &archive::UnzipFindFirst);
        }
        archive::UnloadUnzipLibrary();
    }
}

TEST_F(ZipBinding, AFileThatDoesNotLoadGivesTheLoadersReason) {
    const QString missing = dir.filePath("libunzip32.so");
    EXPECT_EQ(raised<EUnzipError>([&] { archive::LoadUnzipLibrary(missing); }),
              "UNZIP32.DLLをロードできません\r\n" + missing +
                  ": cannot open shared object file: No such file or directory");
    QFile empty(missing);
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(loadError(missing),
              "UNZIP32.DLLをロードできません\r\n" + missing + ": file too short");
    expectAllStubs();
    // Nothing was held: the next load is a first one.
    EXPECT_EQ(loadError(variant("unzip-75")), "");
}

TEST_F(ZipBinding, AnEntryTheLibraryLacksKeepsItsStub) {
    archive::LoadUnzipLibrary(variant("unzip-no-unzip"));
    char out[4];
    EXPECT_EQ(raised<EUnzipNoImplement>([&] { archive::Zip().Unzip(nullptr, "-x", out, 4); }),
              "Unzipは使えない");
    // Caught as any archive library's missing entry, too.
    EXPECT_EQ(raised<EPanArchNoImplement>([&] { archive::Zip().Unzip(nullptr, "-x", out, 4); }),
              "Unzipは使えない");
    EXPECT_EQ(archive::Zip().UnzipCheckArchive("a.zip", 0), 1);
}

TEST_F(ZipBinding, TheUnloadClosesTheReadersArchive) {
    const QString file = dir.filePath("a.zip");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PK");
    f.close();
    archive::LoadUnzipLibrary(variant("unzip-75"));
    EXPECT_EQ(archive::Zip().UnzipOpenArchive(nullptr, file, 0), 1);
    EXPECT_EQ(archive::Zip().UnzipOpenArchive(nullptr, file, 0), 0); // one at a time
    archive::UnloadUnzipLibrary();
    archive::LoadUnzipLibrary(variant("unzip-75"));
    EXPECT_EQ(archive::Zip().UnzipOpenArchive(nullptr, file, 0), 1);
    EXPECT_EQ(archive::Zip().UnzipCloseArchive(nullptr), 0);
}

TEST(ZipBindingVersionText, HundredthsAfterThePoint) {
    const std::pair<int, const char*> cases[] = {{5, "0.05"},   {7, "0.07"},   {75, "0.75"},
                                                 {100, "1.00"}, {110, "1.10"}, {123, "1.23"}};
    for (const auto& [version, text] : cases)
        EXPECT_EQ(archive::FormatDllVersion(version), text) << version;
}

class LzhBinding : public ::testing::Test {
protected:
    void TearDown() override { archive::EndLzhBinding(); }
    // The one box a missing entry shows.
    void expectPanic(const char* entry) {
        ASSERT_EQ(responder.calls().size(), 1) << entry;
        const ui::MessageRequest& r = responder.calls().at(0);
        EXPECT_EQ(r.caption, "PANIC!!");
        EXPECT_EQ(r.text, QString::fromLatin1(entry) + ": LHA.DLL not loaded.");
        EXPECT_EQ(r.icon, ui::MsgIcon::Error);
        EXPECT_EQ(r.buttons, ui::mbOK);
        EXPECT_FALSE(r.standardDialog);
        responder.clear();
    }
    void expectStubsOfTheCalledEntries() {
        archive::LzhEntries& l = archive::Lzh();
        ArchiveMemberInfo info{};
        char out[8];
        EXPECT_EQ(l.Unlha(nullptr, "x a.lzh", out, sizeof out), 0);
        expectPanic("Unlha");
        EXPECT_EQ(l.UnlhaOpenArchive(nullptr, "a.lzh", UNLHA_OPEN_MODE), nullptr);
        expectPanic("UnlhaOpenArchive");
        EXPECT_EQ(l.UnlhaFindFirst(nullptr, "*.*", &info), 0);
        expectPanic("UnlhaFindFirst");
        unsigned char buffer[4];
        int32_t time = 0;
        uint16_t attributes = 0;
        uint32_t written = 0;
        EXPECT_EQ(l.UnlhaExtractMem(nullptr, "a b", buffer, 4, &time, &attributes, &written), 0);
        expectPanic("UnlhaExtractMem");
        EXPECT_EQ(l.UnlhaGetVersion(), 0);
        expectPanic("UnlhaGetVersion");
    }
    ui::ScriptedResponder responder;
};

TEST_F(LzhBinding, WithoutALibraryEveryEntryShowsThePanicBoxAndAnswersZero) {
    EXPECT_FALSE(archive::StartLzhBinding(QString()));
    EXPECT_EQ(archive::BoundLzhLibrary(), "");
    expectStubsOfTheCalledEntries();
    EXPECT_EQ(archive::Lzh().UnlhaGetArcRatio(nullptr), 0);
    expectPanic("UnlhaGetArcRatio");
    EXPECT_EQ(archive::Lzh().UnlhaClearOwnerWindow(), 0);
    expectPanic("UnlhaClearOwnerWindow");
}

TEST_F(LzhBinding, ExportedEntriesReplaceTheirStubsOnly) {
    const QString path = variant("unlha-few", "libunlha32.so");
    ASSERT_TRUE(archive::StartLzhBinding(path));
    EXPECT_EQ(archive::BoundLzhLibrary(), path);
    archive::LzhEntries& l = archive::Lzh();
    char out[8];
    EXPECT_EQ(l.UnlhaGetVersion(), 255);
    EXPECT_EQ(l.Unlha(nullptr, "x a.lzh", out, sizeof out), 7);
    EXPECT_EQ(l.UnlhaCloseArchive(nullptr), 4);
    EXPECT_TRUE(responder.calls().isEmpty());
    ArchiveMemberInfo info{};
    EXPECT_EQ(l.UnlhaFindNext(nullptr, &info), 0);
    expectPanic("UnlhaFindNext");

    // The end puts every stub back.
    archive::EndLzhBinding();
    EXPECT_EQ(archive::BoundLzhLibrary(), "");
    expectStubsOfTheCalledEntries();
}

TEST_F(LzhBinding, AFileThatDoesNotLoadBindsNothing) {
    ASSERT_TRUE(archive::StartLzhBinding(variant("unlha-few", "libunlha32.so")));
    QTemporaryDir dir;
    const QString path = dir.filePath("libunlha32.so");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a library");
    f.close();
    // A new start drops the earlier library first.
    EXPECT_FALSE(archive::StartLzhBinding(path));
    EXPECT_EQ(archive::BoundLzhLibrary(), "");
    expectStubsOfTheCalledEntries();
}

} // namespace

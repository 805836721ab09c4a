// Every writer failed at each of its steps in turn with each error a failing or full disk
// gives (through the write-step hook, in process; the extraction also inside the LZH
// library, loaded as the program loads it, which shares the hook): a reported failure
// leaves the old file whole, a reported success has written everything, and no temporary
// of ours is left (a failed removal of one is cleared by the next write, as a kill's is).
#include "base/CommandLine.h"
#include "base/TempFile.h"
#include "core/SettingsFile.h"
#include "outside/archive/ArchiveExtract.h"
#include "platform/Errors.h"
#include "platform/FileOperation.h"
#include "platform/SafeWrite.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

struct Fault {
    long at = 0; // the step that fails (1 = the first); 0 counts only
    int err = 0;
    long count = 0;
    std::string step; // the name of the step that failed
};
Fault gFault;

int failAtChosenStep(const char* step) {
    if (++gFault.count != gFault.at)
        return 0;
    gFault.step = step;
    return gFault.err;
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

// Names of ours in folder: temporaries (prefix ".zelmo32-tmp-") or all (".zelmo32-").
QList<QByteArray> ours(const QByteArray& folder, const char* prefix) {
    QList<QByteArray> found;
    if (DIR* d = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(d))
            if (QByteArray(e->d_name).startsWith(prefix))
                found.append(e->d_name);
        ::closedir(d);
    }
    return found;
}

// What the next write into folder does first.
void nextWrite(const QByteArray& folder) {
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    zelmo_remove_stale_temps(dir);
    ::close(dir);
}

const QByteArray kNew("the new content\n");
const QByteArray kOld("the old content, longer than the new one\n");
const QByteArray
    kIni("[Launcher]\nPage1=/usr/bin/true\nPageName1=one\n[FormStyle]\nViewerStyle=1\n");

struct Writer {
    const char* name;
    std::function<void()> prepare;
    std::function<bool()> run; // true: reported success
    // Judges the disk after the next write into the folders (ok: what run reported).
    std::function<void(bool ok)> check;
};

bool fileOp(platform::FileOpKind kind, const QByteArray& source, const QByteArray& folder) {
    platform::FileOpCallbacks callbacks;
    callbacks.askOverwrite = [](const platform::FileFacts&, const platform::FileFacts&) {
        return platform::OverwriteAnswer::Overwrite;
    };
    return platform::RunFileOperation(kind, QFile::decodeName(source), QFile::decodeName(folder),
                                      callbacks)
               .outcome == platform::FileOpOutcome::Done;
}

} // namespace

TEST(FaultTable, EachStepOfEachWriterFailsWithoutLossOrLeftovers) {
    // In memory where the machine has it: a few hundred synced writes.
    QTemporaryDir shm(QStringLiteral("/dev/shm/zelmo32-test-XXXXXX"));
    QTemporaryDir disk;
    const QByteArray root = QFile::encodeName(shm.isValid() ? shm.path() : disk.path());
    const QByteArray src = root + "/src", dst = root + "/dst";
    const auto fresh = [&] {
        QDir(QFile::decodeName(src)).removeRecursively();
        QDir(QFile::decodeName(dst)).removeRecursively();
        ::mkdir(src.constData(), 0755);
        ::mkdir(dst.constData(), 0755);
    };
    const QByteArray ini = dst + "/zelmo32.INI", doc = dst + "/doc.txt";
    const QByteArray newIni = QByteArray(kIni).replace("Style=1", "Style=0");
    const QByteArray archive = ZELMO_TEST_DATA "/archive/level1.lzh";
    const QByteArray reference = root + "/reference";
    ::mkdir(reference.constData(), 0755);
    ASSERT_EQ(zelmo_extract_all(archive.constData(), ZELMO_ARCHIVE_LZH, reference.constData(), 0,
                                nullptr, nullptr, 0),
              0);
    const QList<QByteArray> members = [&] {
        QList<QByteArray> names;
        for (const QString& n : QDir(QFile::decodeName(reference)).entryList(QDir::Files))
            names.append(QFile::encodeName(n));
        return names;
    }();
    ASSERT_EQ(members.size(), 4);
    std::string report(2048, '\0');
    int extractCode = 0;
    void* unlha = ::dlopen(ZELMO_UNLHA32, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(unlha, nullptr) << ::dlerror();
    const auto unlhaCommand =
        reinterpret_cast<int (*)(void*, const char*, char*, uint32_t)>(::dlsym(unlha, "Unlha"));
    ASSERT_NE(unlhaCommand, nullptr);
    const auto quote = [](const QByteArray& arg) {
        std::string out(zelmo_command_quote(arg.constData(), size_t(arg.size()), nullptr, 0) + 1,
                        '\0');
        out.resize(
            zelmo_command_quote(arg.constData(), size_t(arg.size()), out.data(), out.size()));
        return out;
    };
    const std::string command = "x " + quote(archive) + " " + quote(dst + "/");
    const auto moveCheck = [&](bool ok) {
        if (ok) {
            EXPECT_EQ(readBytes(dst + "/file.txt"), kNew);
            EXPECT_EQ(readBytes(src + "/file.txt"), "<missing>");
        } else {
            EXPECT_EQ(readBytes(src + "/file.txt"), kNew);
            const QByteArray there = readBytes(dst + "/file.txt");
            EXPECT_TRUE(there == kOld || there == kNew) << there.constData();
        }
    };

    const auto extractionCheck = [&](bool ok) {
        int present = 0;
        for (const QByteArray& m : members) {
            const QByteArray got = readBytes(dst + "/" + m);
            EXPECT_TRUE(got == "<missing>" || got == readBytes(reference + "/" + m));
            present += got != "<missing>";
        }
        const std::string text = report.c_str();
        if (ok) {
            EXPECT_EQ(present, 4);
        } else if (gFault.err == ENOSPC || gFault.err == EDQUOT) {
            // Stopped at the first member the full disk refused.
            EXPECT_EQ(extractCode, ZELMO_EXTRACT_DISK_FULL);
            EXPECT_NE(text.find("\": the disk is full\nstopped: the disk is full\n"),
                      std::string::npos)
                << text;
            EXPECT_EQ(text.find("refused \""), text.rfind("refused \"")) << text;
        } else {
            // One member refused with its reason, the others written.
            EXPECT_EQ(extractCode, ZELMO_EXTRACT_REFUSED);
            EXPECT_EQ(present, 3);
            EXPECT_NE(text.find(gFault.err == EFBIG
                                    ? "\": too large for this file system or limit\n"
                                    : "\": input/output error\n"),
                      std::string::npos)
                << text;
        }
    };

    const std::vector<Writer> writers = {
        {"settings", [&] { fresh(), writeBytes(ini, kIni); },
         [&] {
             try {
                 SettingsFile(QFile::decodeName(ini))
                     .WriteString(QStringLiteral("FormStyle"), QStringLiteral("ViewerStyle"),
                                  QStringLiteral("0"));
                 return true;
             } catch (const EZelmoError&) {
                 return false;
             }
         },
         [&](bool ok) { EXPECT_EQ(readBytes(ini), ok ? newIni : kIni); }},
        {"editor save", [&] { fresh(), writeBytes(doc, kOld); },
         [&] {
             QString error;
             return platform::replaceFileContents(QFile::decodeName(doc), kNew, &error);
         },
         [&](bool ok) { EXPECT_EQ(readBytes(doc), ok ? kNew : kOld); }},
        {"copy",
         [&] { fresh(), writeBytes(src + "/file.txt", kNew), writeBytes(dst + "/file.txt", kOld); },
         [&] { return fileOp(platform::FileOpKind::Copy, src + "/file.txt", dst); },
         [&](bool ok) {
             EXPECT_EQ(readBytes(src + "/file.txt"), kNew);
             EXPECT_EQ(readBytes(dst + "/file.txt"), ok ? kNew : kOld);
         }},
        {"move",
         [&] { fresh(), writeBytes(src + "/file.txt", kNew), writeBytes(dst + "/file.txt", kOld); },
         [&] { return fileOp(platform::FileOpKind::Move, src + "/file.txt", dst); }, moveCheck},
        {"move to another disk",
         [&] {
             fresh(), writeBytes(src + "/file.txt", kNew), writeBytes(dst + "/file.txt", kOld);
             platform::FileOpFaults f;
             f.moveRenameError = EXDEV;
             platform::SetFileOpFaults(f);
         },
         [&] {
             const bool ok = fileOp(platform::FileOpKind::Move, src + "/file.txt", dst);
             platform::SetFileOpFaults({});
             return ok;
         },
         moveCheck},
        {"extraction", [&] { fresh(); },
         [&] {
             extractCode =
                 zelmo_extract_all(archive.constData(), ZELMO_ARCHIVE_LZH, dst.constData(), 0,
                                   nullptr, report.data(), report.size());
             return extractCode == 0;
         },
         extractionCheck},
        {"extraction in the library", [&] { fresh(); },
         [&] {
             extractCode =
                 unlhaCommand(nullptr, command.c_str(), report.data(), uint32_t(report.size()));
             return extractCode == 0;
         },
         extractionCheck},
    };

    zelmo_set_write_fault_hook(failAtChosenStep);
    for (const Writer& w : writers) {
        w.prepare();
        gFault = {};
        ASSERT_TRUE(w.run()) << w.name;
        const long steps = gFault.count;
        ASSERT_GE(steps, 3) << w.name;
        for (long at = 1; at <= steps; ++at) {
            for (const int err : {EIO, ENOSPC, EDQUOT, EFBIG}) {
                w.prepare();
                gFault = {at, err, 0, {}};
                const bool ok = w.run();
                const std::string step = gFault.step;
                gFault.at = 0; // no more faults; the error stays for the check
                SCOPED_TRACE(std::string(w.name) + ": " + strerror(err) + " at step " +
                             std::to_string(at) + " (" + step + ")");
                if (step != "unlink") { // a failed removal is the next write's to finish
                    EXPECT_TRUE(ours(src, ZELMO_TEMP_PREFIX).isEmpty() &&
                                ours(dst, ZELMO_TEMP_PREFIX).isEmpty());
                }
                nextWrite(src);
                nextWrite(dst);
                w.check(ok);
                EXPECT_TRUE(ours(src, ".zelmo32-").isEmpty());
                EXPECT_TRUE(ours(dst, ".zelmo32-").isEmpty());
            }
        }
    }
    zelmo_set_write_fault_hook(nullptr);
    ::dlclose(unlha);
}

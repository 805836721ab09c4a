// A small program that runs one write of the program's writers, so that a test can kill it
// at any step that changes the disk or run it under ulimit -f:
//   write_driver copy|move SOURCE FOLDER        (answers "overwrite"; ZELMO_EXDEV=1: the
//                                                move's rename says "another file system";
//                                                ZELMO_DIRECT=1: the direct way, 4 KiB chunks)
//   write_driver extract ARCHIVE.zip|.lzh FOLDER
//   write_driver save PATH TEXT-FILE            (the editor's save of the file's bytes)
//   write_driver settings INI SECTION KEY VALUE
//   write_driver settings-many INI SECTION PREFIX COUNT
// ZELMO_KILL_AT=N kills it with SIGKILL before its Nth step; ZELMO_NAMED_TEMP=1 makes
// temporaries named. Prints "steps N" when done; exit 0 done, 1 failed (reason printed),
// 2 bad use.
#include "base/TempFile.h"
#include "core/SettingsFile.h"
#include "outside/archive/ArchiveExtract.h"
#include "platform/Errors.h"
#include "platform/FileOperation.h"
#include "platform/FsName.h"
#include "platform/KernelCopy.h"
#include "platform/SafeWrite.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

long gSteps = 0;
long gKillAt = 0;

void step(const char*) {
    if (++gSteps == gKillAt)
        ::raise(SIGKILL);
}

int done(bool ok, const QString& why = {}) {
    if (!ok)
        std::printf("failed: %s\n", why.toUtf8().constData());
    std::printf("steps %ld\n", gSteps);
    return ok ? 0 : 1;
}

QString arg(char** argv, int i) {
    return platform::fromFsBytes(QByteArray(argv[i]));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    // The program's own start-up does this through its first settings write.
    zelmo_catch_file_size_signal();
    gKillAt = std::atol(qgetenv("ZELMO_KILL_AT").constData());
    zelmo_set_write_step_hook(step);
    zelmo_set_named_temporaries(qgetenv("ZELMO_NAMED_TEMP") == "1");
    const QByteArray op(argv[1]);
    if ((op == "copy" || op == "move") && argc == 4) {
        platform::FileOpFaults faults;
        faults.progressDelayMs = 1 << 30;
        if (qgetenv("ZELMO_EXDEV") == "1")
            faults.moveRenameError = EXDEV;
        platform::SetFileOpFaults(faults);
        if (qgetenv("ZELMO_DIRECT") == "1") {
            platform::DataCopyFaults direct;
            direct.directFrom = 0;
            direct.directChunk = 4096;
            platform::SetDataCopyFaults(direct);
        }
        platform::FileOpCallbacks callbacks;
        callbacks.askOverwrite = [](const platform::FileFacts&, const platform::FileFacts&) {
            return platform::OverwriteAnswer::Overwrite;
        };
        const auto r = platform::RunFileOperation(op == "copy" ? platform::FileOpKind::Copy
                                                               : platform::FileOpKind::Move,
                                                  arg(argv, 2), arg(argv, 3), callbacks);
        return done(r.outcome == platform::FileOpOutcome::Done, r.reason);
    }
    if (op == "extract" && argc == 4) {
        const bool zip = QByteArray(argv[2]).toLower().endsWith(".zip");
        char report[1024];
        const int r = zelmo_extract_all(argv[2], zip ? ZELMO_ARCHIVE_ZIP : ZELMO_ARCHIVE_LZH,
                                        argv[3], 0, nullptr, report, sizeof report);
        return done(r == 0, QString::fromUtf8(report));
    }
    if (op == "save" && argc == 4) {
        QFile text(QFile::decodeName(argv[3]));
        if (!text.open(QIODevice::ReadOnly))
            return 2;
        QString error;
        const bool ok = platform::replaceFileContents(arg(argv, 2), text.readAll(), &error);
        return done(ok, error);
    }
    try {
        if (op == "settings" && argc == 6) {
            SettingsFile(arg(argv, 2)).WriteString(arg(argv, 3), arg(argv, 4), arg(argv, 5));
            return done(true);
        }
        if (op == "settings-many" && argc == 6) {
            const int count = std::atoi(argv[5]);
            for (int i = 0; i < count; ++i)
                SettingsFile(arg(argv, 2))
                    .WriteInteger(arg(argv, 3), arg(argv, 4) + QString::number(i), i);
            return done(true);
        }
    } catch (const EZelmoError& e) {
        return done(false, e.text());
    }
    return 2;
}

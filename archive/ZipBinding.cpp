#include "archive/ZipBinding.h"

#include "archive/ArchiveStubs.h"
#include "platform/DynamicLibrary.h"

#include <cstdint>

namespace archive {

namespace {

// The slots in table order; each slot's name is also the name its stub reports.
#define ZELMO_ZIP_SLOTS(X)                                                                         \
    X(UnzipGetRunning)                                                                             \
    X(Unzip)                                                                                       \
    X(UnzipCheckArchive)                                                                           \
    X(MicUnZipGetVersion)                                                                          \
    X(UnZipGetVersion)                                                                             \
    X(UnzipOpenArchive)                                                                            \
    X(UnzipCloseArchive)                                                                           \
    X(UnzipFindFirst)                                                                              \
    X(UnzipFindNext)

#define ZELMO_COUNT(slot) +1
static_assert(sizeof(ZipEntries) == (0 ZELMO_ZIP_SLOTS(ZELMO_COUNT)) * sizeof(void*),
              "every slot of the table is in the slot list");
#undef ZELMO_COUNT

[[noreturn]] void raiseMissing(const char* name) {
    throw EUnzipNoImplement(QString::fromLatin1(name) + QStringLiteral("は使えない"));
}

void pointToStubs(ZipEntries& t) {
#define ZELMO_STUB(slot)                                                                           \
    t.slot = &detail::Stub<#slot, decltype(ZipEntries::slot), raiseMissing>::call;
    ZELMO_ZIP_SLOTS(ZELMO_STUB)
#undef ZELMO_STUB
}

struct ZipBinding {
    ZipBinding() { pointToStubs(entries); }
    platform::DynamicLibrary library;
    ZipEntries entries{};
};

ZipBinding& binding() {
    static ZipBinding b;
    return b;
}

// The slot takes the library's entry when it is exported; the stub stays otherwise.
template <typename Fn>
bool lookUp(const platform::DynamicLibrary& library, const char* name, Fn& slot) {
    void* entry = library.symbol(name);
    if (entry)
        slot = reinterpret_cast<Fn>(entry);
    return entry != nullptr;
}

unsigned low16(int value) {
    return static_cast<uint16_t>(static_cast<unsigned>(value));
}

// Steps 4 to 6 of a load: a library of the DMZIP kind answers 1 and carries its own
// version entry; any other gives its version x 100.
void checkVersion(const platform::DynamicLibrary& library, ZipEntries& t) {
    if (!lookUp(library, "UnZipGetVersion", t.UnZipGetVersion))
        throw EUnzipVersionError(QStringLiteral("UNZIP32.DLLのバージョンをチェックできません"));
    if (low16(t.UnZipGetVersion()) == 1) {
        if (!lookUp(library, "MicUnZipGetVersion", t.MicUnZipGetVersion))
            throw EUnzipVersionError(QStringLiteral("DMZIPのバージョンをチェックできません"));
        if (low16(t.MicUnZipGetVersion()) < 7)
            throw EUnzipVersionError(QStringLiteral("DMZIP ver ") + FormatDllVersion(7) +
                                     QStringLiteral("以降を使用してください"));
    } else if (low16(t.UnZipGetVersion()) < 75) {
        throw EUnzipVersionError(QStringLiteral("UNZIP32.DLL ver ") + FormatDllVersion(75) +
                                 QStringLiteral("以降を使用してください"));
    }
}

} // namespace

ZipEntries& Zip() {
    return binding().entries;
}

void LoadUnzipLibrary(const QString& libraryPath) {
    ZipBinding& b = binding();
    if (b.library.isLoaded())
        throw EUnzipAlreadyLoaded(QStringLiteral("UNZIP32.DLLは既にロードされています"));
    // The Windows program switched off the system's critical-error boxes around the load
    // (a library on a floppy or a missing network drive); the loader here shows no boxes,
    // so there is nothing to switch.
    if (!b.library.load(libraryPath))
        throw EUnzipError(QStringLiteral("UNZIP32.DLLをロードできません\r\n") +
                          b.library.errorText());
    try {
        checkVersion(b.library, b.entries);
    } catch (const EUnzipVersionError&) {
        UnloadUnzipLibrary(); // a later load starts afresh
        throw;
    }
    lookUp(b.library, "UnZipGetRunning", b.entries.UnzipGetRunning);
    lookUp(b.library, "UnZip", b.entries.Unzip);
    lookUp(b.library, "UnZipCheckArchive", b.entries.UnzipCheckArchive);
    // The member walk is our own directory reader, not the library's.
    b.entries.UnzipOpenArchive = &archive::UnzipOpenArchive;
    b.entries.UnzipCloseArchive = &archive::UnzipCloseArchive;
    b.entries.UnzipFindFirst = &archive::UnzipFindFirst;
    b.entries.UnzipFindNext = &archive::UnzipFindNext;
}

void UnloadUnzipLibrary() {
    ZipBinding& b = binding();
    // The stubs first: nothing may point into the library once it is gone.
    pointToStubs(b.entries);
    ResetZipReader();
    b.library.unload();
}

QString FormatDllVersion(int version) {
    const int minor = version % 100;
    return QString::number(version / 100) +
           (minor >= 10 ? QStringLiteral(".") : QStringLiteral(".0")) + QString::number(minor);
}

} // namespace archive

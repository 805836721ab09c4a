#include "archive/LzhBinding.h"

#include "archive/ArchiveStubs.h"
#include "platform/DynamicLibrary.h"
#include "ui/MessageDialog.h"

namespace archive {

namespace {

// The 42 entries in table order; the table's layout is checked against this list below.
#define ZELMO_LZH_ENTRIES(X)                                                                       \
    X(UnlhaGetVersion)                                                                             \
    X(UnlhaGetSubVersion)                                                                          \
    X(UnlhaGetRunning)                                                                             \
    X(UnlhaGetBackGroundMode)                                                                      \
    X(UnlhaSetBackGroundMode)                                                                      \
    X(UnlhaGetCursorMode)                                                                          \
    X(UnlhaSetCursorMode)                                                                          \
    X(UnlhaGetCursorInterval)                                                                      \
    X(UnlhaSetCursorInterval)                                                                      \
    X(Unlha)                                                                                       \
    X(UnlhaCheckArchive)                                                                           \
    X(UnlhaConfigDialog)                                                                           \
    X(UnlhaGetFileCount)                                                                           \
    X(UnlhaOpenArchive)                                                                            \
    X(UnlhaCloseArchive)                                                                           \
    X(UnlhaFindFirst)                                                                              \
    X(UnlhaFindNext)                                                                               \
    X(UnlhaGetArcFileName)                                                                         \
    X(UnlhaGetArcFileSize)                                                                         \
    X(UnlhaGetArcOriginalSize)                                                                     \
    X(UnlhaGetArcCompressedSize)                                                                   \
    X(UnlhaGetArcRatio)                                                                            \
    X(UnlhaGetArcDate)                                                                             \
    X(UnlhaGetArcTime)                                                                             \
    X(UnlhaGetArcOSType)                                                                           \
    X(UnlhaGetFileName)                                                                            \
    X(UnlhaGetMethod)                                                                              \
    X(UnlhaGetOriginalSize)                                                                        \
    X(UnlhaGetCompressedSize)                                                                      \
    X(UnlhaGetRatio)                                                                               \
    X(UnlhaGetDate)                                                                                \
    X(UnlhaGetTime)                                                                                \
    X(UnlhaGetWriteTime)                                                                           \
    X(UnlhaGetAccessTime)                                                                          \
    X(UnlhaGetCreateTime)                                                                          \
    X(UnlhaGetCRC)                                                                                 \
    X(UnlhaGetAttribute)                                                                           \
    X(UnlhaGetOSType)                                                                              \
    X(UnlhaQueryFunctionList)                                                                      \
    X(UnlhaSetOwnerWindow)                                                                         \
    X(UnlhaClearOwnerWindow)                                                                       \
    X(UnlhaExtractMem)

#define ZELMO_COUNT(entry) +1
static_assert(sizeof(LzhEntries) == (0 ZELMO_LZH_ENTRIES(ZELMO_COUNT)) * sizeof(void*),
              "every slot of the table is in the entry list");
#undef ZELMO_COUNT

// A missing entry shows itself when it is called: no owner, so the box stands on its own
// even when no window exists.
void reportMissing(const char* name) {
    ui::MessageBox(QStringLiteral("PANIC!!"),
                   QString::fromLatin1(name) + QStringLiteral(": LHA.DLL not loaded") +
                       QStringLiteral("."),
                   ui::MsgIcon::Error, ui::mbOK);
}

void pointToStubs(LzhEntries& t) {
#define ZELMO_STUB(entry)                                                                          \
    t.entry = &detail::Stub<#entry, decltype(LzhEntries::entry), reportMissing>::call;
    ZELMO_LZH_ENTRIES(ZELMO_STUB)
#undef ZELMO_STUB
}

void bindExported(LzhEntries& t, const platform::DynamicLibrary& library) {
#define ZELMO_BIND(entry)                                                                          \
    if (void* p = library.symbol(#entry))                                                          \
        t.entry = reinterpret_cast<decltype(LzhEntries::entry)>(p);
    ZELMO_LZH_ENTRIES(ZELMO_BIND)
#undef ZELMO_BIND
}

// The table holds stubs from its first use on, before the binding starts.
struct LzhBinding {
    LzhBinding() { pointToStubs(entries); }
    platform::DynamicLibrary library;
    QString path; // the library bound now; empty when none
    LzhEntries entries{};
};

LzhBinding& binding() {
    static LzhBinding b;
    return b;
}

} // namespace

LzhEntries& Lzh() {
    return binding().entries;
}

bool StartLzhBinding(const QString& libraryPath) {
    LzhBinding& b = binding();
    b.library.unload();
    b.path.clear();
    pointToStubs(b.entries);
    if (libraryPath.isEmpty() || !b.library.load(libraryPath))
        return false;
    b.path = libraryPath;
    bindExported(b.entries, b.library);
    return true;
}

void EndLzhBinding() {
    LzhBinding& b = binding();
    // The stubs first: nothing may point into the library once it is gone.
    pointToStubs(b.entries);
    b.library.unload();
    b.path.clear();
}

QString BoundLzhLibrary() {
    return binding().path;
}

} // namespace archive

#pragma once
// The binding of the LZH archive library: a table with one slot per entry point of the
// library. Every slot starts as a stub that shows the "PANIC!!" box and returns 0; binding
// the library replaces each stub whose name the library exports. Bound once when the
// program starts, released when it ends. Tests may put their own functions in the slots.
#include "outside/archive/Unlha32.h"

#include <QString>

namespace archive {

struct LzhEntries {
    decltype(&::UnlhaGetVersion) UnlhaGetVersion;
    decltype(&::UnlhaGetSubVersion) UnlhaGetSubVersion;
    decltype(&::UnlhaGetRunning) UnlhaGetRunning;
    decltype(&::UnlhaGetBackGroundMode) UnlhaGetBackGroundMode;
    decltype(&::UnlhaSetBackGroundMode) UnlhaSetBackGroundMode;
    decltype(&::UnlhaGetCursorMode) UnlhaGetCursorMode;
    decltype(&::UnlhaSetCursorMode) UnlhaSetCursorMode;
    decltype(&::UnlhaGetCursorInterval) UnlhaGetCursorInterval;
    decltype(&::UnlhaSetCursorInterval) UnlhaSetCursorInterval;
    decltype(&::Unlha) Unlha;
    decltype(&::UnlhaCheckArchive) UnlhaCheckArchive;
    decltype(&::UnlhaConfigDialog) UnlhaConfigDialog;
    decltype(&::UnlhaGetFileCount) UnlhaGetFileCount;
    decltype(&::UnlhaOpenArchive) UnlhaOpenArchive;
    decltype(&::UnlhaCloseArchive) UnlhaCloseArchive;
    decltype(&::UnlhaFindFirst) UnlhaFindFirst;
    decltype(&::UnlhaFindNext) UnlhaFindNext;
    decltype(&::UnlhaGetArcFileName) UnlhaGetArcFileName;
    decltype(&::UnlhaGetArcFileSize) UnlhaGetArcFileSize;
    decltype(&::UnlhaGetArcOriginalSize) UnlhaGetArcOriginalSize;
    decltype(&::UnlhaGetArcCompressedSize) UnlhaGetArcCompressedSize;
    decltype(&::UnlhaGetArcRatio) UnlhaGetArcRatio;
    decltype(&::UnlhaGetArcDate) UnlhaGetArcDate;
    decltype(&::UnlhaGetArcTime) UnlhaGetArcTime;
    decltype(&::UnlhaGetArcOSType) UnlhaGetArcOSType;
    decltype(&::UnlhaGetFileName) UnlhaGetFileName;
    decltype(&::UnlhaGetMethod) UnlhaGetMethod;
    decltype(&::UnlhaGetOriginalSize) UnlhaGetOriginalSize;
    decltype(&::UnlhaGetCompressedSize) UnlhaGetCompressedSize;
    decltype(&::UnlhaGetRatio) UnlhaGetRatio;
    decltype(&::UnlhaGetDate) UnlhaGetDate;
    decltype(&::UnlhaGetTime) UnlhaGetTime;
    decltype(&::UnlhaGetWriteTime) UnlhaGetWriteTime;
    decltype(&::UnlhaGetAccessTime) UnlhaGetAccessTime;
    decltype(&::UnlhaGetCreateTime) UnlhaGetCreateTime;
    decltype(&::UnlhaGetCRC) UnlhaGetCRC;
    decltype(&::UnlhaGetAttribute) UnlhaGetAttribute;
    decltype(&::UnlhaGetOSType) UnlhaGetOSType;
    decltype(&::UnlhaQueryFunctionList) UnlhaQueryFunctionList;
    decltype(&::UnlhaSetOwnerWindow) UnlhaSetOwnerWindow;
    decltype(&::UnlhaClearOwnerWindow) UnlhaClearOwnerWindow;
    decltype(&::UnlhaExtractMem) UnlhaExtractMem;
};

// The process-wide table.
LzhEntries& Lzh();

// Points every slot to its stub, then binds the library at this full path (empty: none),
// replacing the stub of each name it exports. Returns whether the library was loaded.
bool StartLzhBinding(const QString& libraryPath);
// Releases the library; every slot is a stub again.
void EndLzhBinding();
// The full path of the library bound now; empty when none is.
QString BoundLzhLibrary();

} // namespace archive

#pragma once
// The binding of the ZIP archive library: loaded on request, checked for its version,
// raising an exception on every failure. Its member walk is the program's own directory
// reader (ZipReader.h), reached through the same table once the library is bound.
#include "archive/ZipReader.h"
#include "outside/archive/Unzip32.h"
#include "platform/Errors.h"

#include <QString>

// Any archive library's failure, by kind; only the EUnzip classes are raised.
class EPanArchiveError : public EZelmoError {
public:
    using EZelmoError::EZelmoError;
};
class EPanArchNoImplement : public EPanArchiveError {
public:
    using EPanArchiveError::EPanArchiveError;
};
class EUnzipNoImplement : public EPanArchNoImplement {
public:
    using EPanArchNoImplement::EPanArchNoImplement;
};
class EPanArchVersionErr : public EPanArchiveError {
public:
    using EPanArchiveError::EPanArchiveError;
};
class EUnzipVersionError : public EPanArchVersionErr {
public:
    using EPanArchVersionErr::EPanArchVersionErr;
};
class EPanArchAlreadyLoaded : public EPanArchiveError {
public:
    using EPanArchiveError::EPanArchiveError;
};
class EUnzipAlreadyLoaded : public EPanArchAlreadyLoaded {
public:
    using EPanArchAlreadyLoaded::EPanArchAlreadyLoaded;
};
class EUnzipError : public EPanArchiveError {
public:
    using EPanArchiveError::EPanArchiveError;
};

namespace archive {

// One slot per entry; each starts as a stub that raises EUnzipNoImplement. The last four
// are the member walk, pointed to the program's own reader by a successful load.
struct ZipEntries {
    decltype(&::UnZipGetRunning) UnzipGetRunning;
    decltype(&::UnZip) Unzip;
    decltype(&::UnZipCheckArchive) UnzipCheckArchive;
    decltype(&::MicUnZipGetVersion) MicUnZipGetVersion;
    decltype(&::UnZipGetVersion) UnZipGetVersion;
    decltype(&archive::UnzipOpenArchive) UnzipOpenArchive;
    decltype(&archive::UnzipCloseArchive) UnzipCloseArchive;
    decltype(&archive::UnzipFindFirst) UnzipFindFirst;
    decltype(&archive::UnzipFindNext) UnzipFindNext;
};

// The process-wide table.
ZipEntries& Zip();

// Binds the library at this full path; raises EUnzipAlreadyLoaded, EUnzipError or
// EUnzipVersionError (after unloading again) as the binding's rules say.
void LoadUnzipLibrary(const QString& libraryPath);
// Releases the library, closes the reader's archive, every slot a stub again.
void UnloadUnzipLibrary();

// The version text of the messages: 75 gives "0.75", 7 "0.07", 110 "1.10".
QString FormatDllVersion(int version);

} // namespace archive

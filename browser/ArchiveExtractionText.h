#pragma once
// Extraction of an archive dropped onto a folder, without widgets: the texts of its
// questions and messages, and the command each archive library receives.
#include "archive/MemberColumns.h"

#include <QByteArray>
#include <QString>

namespace browser {

// Not an archive: the file's name (as shown) in the message.
QString NotAnArchiveText(const QString& name);
// A library the extraction needs is missing.
QString MissingUnlhaText();
QString MissingUnzipText();
// The question before extracting name into destination (both as shown).
QString ConfirmExtractionText(const QString& name, const QString& destination);
// The libraries' failures: the LZH box names the archive (as shown); the ZIP box has
// its own caption.
QString LzhFailedCaption(); // "ゼルモ３２"
QString LzhFailedText(const QString& archive);
QString ZipFailedCaption();
QString ZipFailedText();
// Whether to go on: back to start (as shown), or back to the search result list.
QString ContinueFromFolderText(const QString& start);
QString ContinueFromSearchText();

// The LZH verb: "e" (members without their folders) after the archive window listed or
// showed a member whose name begins with "/", else "x".
QByteArray LzhVerb(bool archiveWindowExists, const QString& lastMemberName);

// The extraction command of an archive into a folder (file names as the file system
// keeps them). Every name is quoted by the libraries' rule, so no name can add an option
// or a second destination; the folder gets its closing "/", which the libraries take as
// a separator (the root gives "//").
// LZH: verb "archive" "destination/"   ZIP: -x "archive" "destination/"
QByteArray ExtractionCommand(archive::ArchiveKind kind, const QByteArray& lzhVerb,
                             const QString& archivePath, const QString& destination);

} // namespace browser

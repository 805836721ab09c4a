// Saving the editor's documents; the formats live in PlainText.cpp, RtfReader.cpp and
// RtfWriter.cpp.
#include "editor/DocumentFiles.h"

#include "platform/SafeWrite.h"

namespace editor {

bool SaveFileBytes(const QString& path, const QByteArray& bytes, QString* error) {
    return platform::replaceFileContents(path, bytes, error);
}

} // namespace editor

// Saving the editor's documents; the formats live in PlainText.cpp, RtfReader.cpp and
// RtfWriter.cpp.
#include "editor/DocumentFiles.h"

#include "platform/SafeWrite.h"

namespace editor {

bool IsRichTextName(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return false;
    const QString ext = name.mid(dot, 4).toUpper();
    return ext == QLatin1String(".RTF") || ext == QLatin1String(".DOC");
}

bool SaveFileBytes(const QString& path, const QByteArray& bytes, QString* error) {
    return platform::replaceFileContents(path, bytes, error);
}

} // namespace editor

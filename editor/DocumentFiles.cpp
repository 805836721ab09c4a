// Placeholder bodies; the reader, the writer and the saving come with their own work.
#include "editor/DocumentFiles.h"

#include <QTextDocument>

namespace editor {

PlainText DecodePlainText(const QByteArray& bytes) {
    return {QString::fromUtf8(bytes), TextEncoding::Utf8};
}

QByteArray EncodePlainText(const QString& text, TextEncoding, TextEncoding* used) {
    if (used)
        *used = TextEncoding::Utf8;
    return text.toUtf8();
}

bool ReadRtf(const QByteArray&, QTextDocument*, QString* error) {
    if (error)
        *error = QString();
    return false;
}

QByteArray WriteRtf(const QTextDocument*) {
    return {};
}

bool SaveFileBytes(const QString&, const QByteArray&, QString* error) {
    if (error)
        *error = QString();
    return false;
}

} // namespace editor

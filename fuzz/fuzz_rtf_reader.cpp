// libFuzzer target: the editor's RTF reader on any bytes, then the writer on what it
// read; the written document must read back to the same text.
#include "editor/DocumentFiles.h"

#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray rtf =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QTextDocument doc;
    QString error;
    if (!editor::ReadRtf(rtf, &doc, &error))
        return 0;
    QTextDocument back;
    if (!editor::ReadRtf(editor::WriteRtf(&doc), &back, &error) || !error.isEmpty() ||
        back.toRawText() != doc.toRawText())
        std::abort();
    return 0;
}

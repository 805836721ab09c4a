// libFuzzer target: the editor's plain-text codec on any bytes. Detected or forced, every
// encoding takes the bytes into a document and gives them back unchanged when saved
// without an edit, counted to the byte; each line's text encodes in the measured length;
// the export form holds no lone surrogate.
#include "editor/DocumentBytes.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace editor;

void Check(const PlainFile& f) {
    for (const LineSpan& l : f.lines) {
        const QString text = DecodeLine(f.bytes.constData() + l.start, l.length, f.encoding);
        QByteArray line;
        // Without escapes the text reads back from its encoding (CP932's duplicate codes
        // may come back as their twins); an escaped byte next to a re-encoded character
        // may pair up with it, which is why unchanged lines keep their own bytes.
        if (!EncodeLine(text, f.encoding, &line) ||
            EncodedLength(text, f.encoding) != line.size() ||
            (!HasByteEscapes(text) &&
             DecodeLine(line.constData(), line.size(), f.encoding) != text))
            std::abort();
        const QString plain = WithoutEscapes(text, f.encoding);
        for (qsizetype i = 0; i < plain.size(); ++i) {
            const QChar c = plain[i];
            if (c.isHighSurrogate() && !(i + 1 < plain.size() && plain[i + 1].isLowSurrogate()))
                std::abort();
            if (c.isLowSurrogate() && !(i > 0 && plain[i - 1].isHighSurrogate()))
                std::abort();
        }
    }
    QTextDocument doc;
    DocumentBytes bytes(&doc);
    bytes.LoadPlain(f, [&](const QString& text) { doc.setPlainText(text); });
    TextEncoding used;
    if (bytes.Encode(true, &used) != f.bytes || used != f.encoding ||
        bytes.Bytes() != f.bytes.size() - f.bomSize)
        std::abort();
}

} // namespace

// The documents' layouts want an application (no window is shown).
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    Check(SplitPlainFile(bytes));
    if (size > 0) // the first byte forces an encoding on the rest
        Check(SplitPlainFile(bytes.mid(1), TextEncoding(data[0] % 6)));
    return 0;
}

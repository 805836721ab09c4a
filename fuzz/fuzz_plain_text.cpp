// libFuzzer target: the editor's plain-text codec on any bytes. Detected or forced, every
// encoding takes the bytes into a document and gives them back unchanged when saved
// without an edit, counted to the byte; each line's text encodes in the measured length;
// the export form holds no lone surrogate; the search's byte image of the text is its
// encoding, and maps every character start to its byte and back.
#include "editor/DocumentBytes.h"
#include "editor/TextSearch.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace editor;

// A layout that lays out nothing: the document tells of its changes (which the byte count
// follows) without shaping any text, so no font is ever looked for.
class NoLayout : public QAbstractTextDocumentLayout {
public:
    using QAbstractTextDocumentLayout::QAbstractTextDocumentLayout;
    void draw(QPainter*, const PaintContext&) override {}
    int hitTest(const QPointF&, Qt::HitTestAccuracy) const override { return -1; }
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override { return {}; }
    QRectF frameBoundingRect(QTextFrame*) const override { return {}; }
    QRectF blockBoundingRect(const QTextBlock&) const override { return {}; }

protected:
    void documentChanged(int, int, int) override {}
};

void CheckImage(const QString& text, TextEncoding encoding) {
    const ByteImage image(text, encoding);
    QByteArray bytes;
    std::vector<qsizetype> offsets;
    if (!EncodeLine(text, image.encoding(), &bytes, &offsets) || bytes != image.bytes())
        std::abort();
    offsets.push_back(bytes.size());
    for (qsizetype pos = 0; pos <= text.size(); ++pos) {
        const bool lowHalf = pos > 0 && pos < text.size() && text[pos].isLowSurrogate() &&
                             text[pos - 1].isHighSurrogate();
        if (image.byteOf(pos) != offsets[size_t(pos)] ||
            image.posOf(offsets[size_t(pos)]) != (lowHalf ? -1 : pos))
            std::abort();
    }
}

void Check(const PlainFile& f) {
    QString whole;
    for (int k = 0; k < f.LineCount(); ++k) {
        const LineSpan l = f.Line(k);
        const QString text = DecodeLine(f.bytes.constData() + l.start, l.length, f.encoding);
        if (k > 0)
            whole += u'\n';
        whole += text;
        QByteArray line;
        // Without escapes the text reads back from its encoding (CP932's duplicate codes
        // may come back as their twins); an escaped byte next to a re-encoded character
        // may pair up with it, which is why unchanged lines keep their own bytes.
        // ISO-2022-JP refuses a line whose escaped bytes would read otherwise where the
        // encoder's sets put them (an edited line of such bytes goes to UTF-8).
        const bool stateful = f.encoding == TextEncoding::Iso2022Jp && HasByteEscapes(text);
        if (!EncodeLine(text, f.encoding, &line)) {
            if (!stateful || EncodedLength(text, f.encoding) != -1)
                std::abort();
            continue;
        }
        if (EncodedLength(text, f.encoding) != line.size() ||
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
    CheckImage(whole, f.encoding);
    if (!whole.isEmpty()) // over several of the image's checkpoints, pairs cut anywhere
        CheckImage(whole.repeated(int(200 / whole.size()) + 2), f.encoding);
    QTextDocument doc;
    doc.setDocumentLayout(new NoLayout(&doc));
    DocumentBytes bytes(&doc);
    bytes.LoadPlain(f, [&](const QString& text) { doc.setPlainText(text); });
    TextEncoding used;
    if (bytes.Encode(true, &used) != f.bytes || used != f.encoding ||
        bytes.Bytes() != f.bytes.size() - f.bomSize)
        std::abort();
    // The counts the load took while decoding are those of measuring each line anew, in
    // UTF-8 too: neither CP932 nor EUC-JP has the euro sign, which sends the count there.
    QTextCursor(&doc).insertText(QString::fromUtf8("\xE2\x82\xAC"));
    const qsizetype counted = bytes.Bytes();
    const bool escapes = bytes.HasEscapes();
    bytes.SetEncoding(f.encoding); // measures every line again
    if (bytes.Bytes() != counted || bytes.HasEscapes() != escapes)
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

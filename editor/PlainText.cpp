// Plain text files: read as UTF-8 or CP932, written back the same way when nothing is lost.
#include "editor/DocumentFiles.h"

#include "platform/TextCodec.h"

#include <cstring>

namespace editor {

PlainText DecodePlainText(const QByteArray& bytes) {
    PlainText out;
    qsizetype size = bytes.indexOf('\0');
    out.cutAtNul = size >= 0;
    if (size < 0)
        size = bytes.size();
    const char* data = bytes.constData();
    if (size >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0 &&
        platform::isValidUtf8(data + 3, size - 3)) {
        out.encoding = TextEncoding::Utf8Bom;
        out.text = QString::fromUtf8(data + 3, size - 3);
    } else if (platform::isValidUtf8(data, size)) {
        out.encoding = TextEncoding::Utf8;
        out.text = QString::fromUtf8(data, size);
    } else {
        out.encoding = TextEncoding::Cp932;
        out.text = platform::decodeCp932(QByteArray(data, size));
    }
    for (qsizetype i = 0; i < out.text.size(); ++i) {
        const QChar c = out.text.at(i);
        if (c == u'\n') {
            out.lineEnd = LineEnd::Lf;
            break;
        }
        if (c == u'\r') {
            out.lineEnd = i + 1 < out.text.size() && out.text.at(i + 1) == u'\n' ? LineEnd::CrLf
                                                                                 : LineEnd::Cr;
            break;
        }
    }
    out.finalBreak = out.text.endsWith(u'\n') || out.text.endsWith(u'\r');
    return out;
}

QByteArray EncodePlainText(const QString& text, TextEncoding preferred, TextEncoding* used) {
    TextEncoding chosen = TextEncoding::Utf8;
    QByteArray out;
    if (preferred == TextEncoding::Cp932) {
        bool ok = false;
        out = platform::encodeCp932(text, &ok);
        // A character CP932 takes only by a best fit would come back as another one.
        if (ok && platform::decodeCp932(out) == text)
            chosen = TextEncoding::Cp932;
    } else if (preferred == TextEncoding::Utf8Bom) {
        chosen = TextEncoding::Utf8Bom;
    }
    if (chosen != TextEncoding::Cp932) {
        out = text.toUtf8();
        if (chosen == TextEncoding::Utf8Bom)
            out.prepend("\xEF\xBB\xBF");
    }
    if (used)
        *used = chosen;
    return out;
}

QString EditorText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

QString FileText(const QString& editorText, LineEnd lineEnd) {
    const QString br = lineEnd == LineEnd::CrLf ? QStringLiteral("\r\n")
                       : lineEnd == LineEnd::Cr ? QStringLiteral("\r")
                                                : QStringLiteral("\n");
    QString out;
    out.reserve(editorText.size() + editorText.size() / 16);
    for (const QChar c : editorText) {
        if (c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            out += br;
        else
            out += c;
    }
    return out;
}

} // namespace editor

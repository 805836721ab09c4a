// Our own RTF writer: the text, its paragraphs and the character formatting the edit box
// shows, in a form ReadRtf and word processors read back.
#include "editor/DocumentFiles.h"

#include "platform/TextCodec.h"

#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QVector>

namespace editor {

namespace {

QString familyOf(const QTextCharFormat& f) {
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty())
        return families.first();
    return QString();
}

// Text characters with RTF's three specials escaped and everything else outside
// printable ASCII as \uN followed by a "?" for readers without Unicode.
void appendEscaped(QByteArray* out, const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out->append('\\');
            out->append(char(u));
        } else if (u == u'\t') {
            out->append("\\tab ");
        } else if (u == QChar::LineSeparator) {
            out->append("\\line ");
        } else if (u >= 0x20 && u < 0x7F) {
            out->append(char(u));
        } else {
            // RTF's parameter is a signed 16-bit number.
            out->append("\\u");
            out->append(QByteArray::number(int(qint16(u))));
            out->append('?');
        }
    }
}

// A font name in the font table: CP932 bytes (charset 128) when it has any non-ASCII
// character CP932 takes, else as text.
void appendFontEntry(QByteArray* out, int index, const QString& name) {
    bool ascii = true;
    for (const QChar c : name)
        ascii = ascii && c.unicode() < 0x80;
    bool ok = false;
    const QByteArray cp932 = ascii ? QByteArray() : platform::encodeCp932(name, &ok);
    out->append("{\\f" + QByteArray::number(index) + "\\fnil\\fcharset" +
                (ascii || !ok ? "0 " : "128 "));
    if (!ascii && ok) {
        static const char hex[] = "0123456789abcdef";
        for (const char b : cp932) {
            const auto v = static_cast<unsigned char>(b);
            if (v < 0x80 && v != '\\' && v != '{' && v != '}' && v != ';') {
                out->append(char(v));
            } else {
                out->append("\\'");
                out->append(hex[v >> 4]);
                out->append(hex[v & 15]);
            }
        }
    } else {
        appendEscaped(out, QString(name).remove(u';'));
    }
    out->append(";}");
}

} // namespace

QByteArray WriteRtf(const QTextDocument* doc) {
    // Tables first: every family and colour the fragments use, found by hash so a
    // document of many colours takes linear time.
    QStringList fonts;
    QHash<QString, int> fontIndex;
    QVector<QRgb> colors;
    QHash<QRgb, int> colorIndex;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QString family = familyOf(f);
            if (!family.isEmpty() && !fontIndex.contains(family)) {
                fontIndex.insert(family, int(fonts.size()));
                fonts.append(family);
            }
            if (f.hasProperty(QTextFormat::ForegroundBrush) &&
                f.foreground().style() != Qt::NoBrush) {
                const QRgb rgb = f.foreground().color().rgb();
                if (!colorIndex.contains(rgb)) {
                    colorIndex.insert(rgb, int(colors.size()) + 1); // \cf0 is automatic
                    colors.append(rgb);
                }
            }
        }
    }
    QByteArray out;
    out.reserve(doc->characterCount() * 2 + 256);
    // No \deff: a run without a family of its own takes the edit box's font.
    out.append("{\\rtf1\\ansi\\ansicpg932\\uc1\n{\\fonttbl");
    if (fonts.isEmpty())
        appendFontEntry(&out, 0, QStringLiteral("ＭＳ ゴシック"));
    for (int i = 0; i < fonts.size(); ++i)
        appendFontEntry(&out, i, fonts.at(i));
    out.append("}\n{\\colortbl;");
    for (const QRgb c : colors)
        out.append("\\red" + QByteArray::number(qRed(c)) + "\\green" +
                   QByteArray::number(qGreen(c)) + "\\blue" + QByteArray::number(qBlue(c)) + ';');
    out.append("}\n\\pard\\plain\n");

    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const QTextCharFormat f = frag.charFormat();
            out.append("{\\plain");
            const QString family = familyOf(f);
            if (!family.isEmpty())
                out.append("\\f" + QByteArray::number(fontIndex.value(family)));
            if (f.fontWeight() >= QFont::DemiBold)
                out.append("\\b");
            if (f.fontItalic())
                out.append("\\i");
            if (f.fontUnderline())
                out.append("\\ul");
            if (f.fontStrikeOut())
                out.append("\\strike");
            if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
                out.append("\\fs" + QByteArray::number(qRound(f.fontPointSize() * 2)));
            if (f.hasProperty(QTextFormat::ForegroundBrush) &&
                f.foreground().style() != Qt::NoBrush)
                out.append("\\cf" +
                           QByteArray::number(colorIndex.value(f.foreground().color().rgb())));
            out.append(' ');
            appendEscaped(&out, frag.text());
            out.append('}');
        }
        // Every paragraph ends with its mark; the reader drops the document's last one.
        if (b.next().isValid())
            out.append("\\par\n");
    }
    out.append("\\par\n}\n");
    return out;
}

} // namespace editor

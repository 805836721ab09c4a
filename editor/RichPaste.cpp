#include "editor/RichPaste.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace editor {

namespace {

// A run's text without images; a surrogate that is not half of a pair becomes U+FFFD, so
// that nothing pasted stands for a byte of the file.
QString RunText(const QString& in) {
    QString out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        const QChar c = in[i];
        if (c == QChar::ObjectReplacementCharacter)
            continue;
        if (c.isHighSurrogate() && i + 1 < in.size() && in[i + 1].isLowSurrogate()) {
            out += c;
            out += in[++i];
        } else {
            out += c.isSurrogate() ? QChar(QChar::ReplacementCharacter) : c;
        }
    }
    return out;
}

} // namespace

QTextCharFormat RtfCharFormat(const QTextCharFormat& f) {
    QTextCharFormat out;
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty())
        out.setFontFamilies(QStringList{families.first()});
    if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
        out.setFontPointSize(f.fontPointSize());
    else if (f.hasProperty(QTextFormat::FontPixelSize) &&
             f.intProperty(QTextFormat::FontPixelSize) > 0)
        out.setFontPointSize(f.intProperty(QTextFormat::FontPixelSize) *
                             0.75); // CSS: 96 px an inch
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        out.setForeground(f.foreground().color());
    if (f.fontWeight() >= QFont::DemiBold)
        out.setFontWeight(QFont::Bold);
    if (f.fontItalic())
        out.setFontItalic(true);
    if (f.fontUnderline())
        out.setFontUnderline(true);
    if (f.fontStrikeOut())
        out.setFontStrikeOut(true);
    return out;
}

void InsertFormattedHtml(QTextCursor& cursor, const QString& html) {
    // The fragment honours the copy's start and end marks; a document of its own lets its
    // blocks be walked in order, table cells included.
    QTextDocument source;
    QTextCursor(&source).insertFragment(QTextDocumentFragment::fromHtml(html));
    cursor.beginEditBlock();
    for (QTextBlock b = source.begin(); b.isValid(); b = b.next()) {
        if (b != source.begin())
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QString text = RunText(fragment.text());
            if (!text.isEmpty())
                cursor.insertText(text, RtfCharFormat(fragment.charFormat()));
        }
    }
    cursor.endEditBlock();
}

} // namespace editor

#pragma once
// Runs of a QTextDocument as plain values, to compare what the RTF reader made.
#include <QColor>
#include <QString>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QVector>
#include <ostream>

struct TextRun {
    QString text;
    bool bold = false, italic = false, underline = false, strike = false;
    double points = 0; // 0: not set
    QString color;     // "#rrggbb", empty: not set
    QString family;    // empty: not set
    bool operator==(const TextRun&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const TextRun& r) {
    return os << '"' << r.text.toStdString() << '"' << (r.bold ? " b" : "")
              << (r.italic ? " i" : "") << (r.underline ? " u" : "") << (r.strike ? " s" : "")
              << " pt=" << r.points << " color=" << r.color.toStdString()
              << " font=" << r.family.toStdString();
}

inline TextRun runOf(const QTextCharFormat& f, const QString& text) {
    TextRun r;
    r.text = text;
    r.bold = f.fontWeight() >= QFont::DemiBold;
    r.italic = f.fontItalic();
    r.underline = f.fontUnderline();
    r.strike = f.fontStrikeOut();
    if (f.hasProperty(QTextFormat::FontPointSize))
        r.points = f.fontPointSize();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        r.color = f.foreground().color().name();
    const QStringList fam = f.fontFamilies().toStringList();
    if (!fam.isEmpty())
        r.family = fam.first();
    return r;
}

// Adjacent fragments with the same look are one run; paragraphs are joined by "\n".
inline QVector<TextRun> runsOf(const QTextDocument& doc, bool withFamily = true) {
    QVector<TextRun> runs;
    auto add = [&](TextRun r) {
        if (!withFamily)
            r.family.clear();
        if (!runs.isEmpty()) {
            TextRun last = runs.last();
            last.text = r.text;
            if (last == r) {
                runs.last().text += r.text;
                return;
            }
        }
        runs.append(r);
    };
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it)
            add(runOf(it.fragment().charFormat(), it.fragment().text()));
        if (b.next().isValid()) {
            TextRun br = runs.isEmpty() ? TextRun() : runs.last();
            br.text = QStringLiteral("\n");
            add(br);
        }
    }
    return runs;
}

// The runs that are not plain (some formatting set), for checks on word-processor files.
inline TextRun findRun(const QVector<TextRun>& runs, const QString& text) {
    for (const TextRun& r : runs)
        if (r.text.contains(text))
            return r;
    return TextRun();
}

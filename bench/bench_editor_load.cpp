// Loading the editor's documents, in one run:
//  - a 10 MB plain text (Shift-JIS, CR LF): detection, the lines decoded and put into the
//    document with their bytes kept behind them (DocumentBytes), next to setPlainText of the
//    same text alone (the floor any load pays);
//  - a 5 MB RTF document of formatted runs: ReadRtf, next to setPlainText of its text and
//    to the same runs put in by QTextCursor without reading (what Qt's document costs);
//  - saving both back (DocumentBytes::Encode, WriteRtf).
// Medians of 5 runs; the verdict rests on the ratios to the floors of the same run.
// Usage: bench_editor_load
#include "editor/DocumentBytes.h"
#include "editor/DocumentFiles.h"
#include "editor/TextSearch.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRuns = 5;

// Each run loads into a fresh document, as the editor's load into its emptied box;
// the documents are freed after the timing (freeing a document is no part of a load).
double medianMs(const std::function<void(QTextDocument&)>& work) {
    std::vector<double> times;
    std::vector<std::unique_ptr<QTextDocument>> docs;
    for (int i = 0; i < kRuns; ++i) {
        docs.push_back(std::make_unique<QTextDocument>());
        // The layout of the editor's plain-text box, which lays out only what is shown.
        docs.back()->setDocumentLayout(new QPlainTextDocumentLayout(docs.back().get()));
        QElapsedTimer t;
        t.start();
        work(*docs.back());
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[kRuns / 2];
}

QByteArray makePlainText(qsizetype size) {
    const QString line =
        QStringLiteral("吾輩は猫である。名前はまだ無い。 The quick brown fox %1\r\n");
    QString text;
    // About 1.4 bytes a character in CP932: a little more than needed, cut at a line end.
    for (int i = 0; text.size() * 1.3 < size; ++i)
        text += line.arg(i);
    QByteArray bytes = platform::encodeCp932(text);
    bytes.truncate(bytes.lastIndexOf("\r\n", size - 2) + 2);
    return bytes;
}

QByteArray makeRtf(qsizetype size) {
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 "
        "\\'82\\'6c\\'82\\'72 \\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}{\\f1\\fswiss Arial;}}"
        "{\\colortbl;\\red255\\green0\\blue0;}\n";
    for (int i = 0; rtf.size() < size; ++i) {
        rtf += "\\pard\\plain\\f0\\fs20 Line " + QByteArray::number(i) +
               " {\\b bold} {\\i\\cf1 italic red} \\'93\\'fa\\'96\\'7b\\'8c\\'ea "
               "\\u26085?\\u26412?{\\f1\\ul\\fs24 Arial underlined}\\par\n";
    }
    rtf += "}";
    return rtf;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The find runs from the start to a word that stands only at the very end.
    const QString lastWord = QStringLiteral("最後の単語XYZ");
    const QByteArray plain =
        makePlainText(10 * 1024 * 1024) + " " + platform::encodeCp932(lastWord);
    const QByteArray rtf = makeRtf(5 * 1024 * 1024);

    QString editorText;
    const double decode = medianMs([&](QTextDocument&) {
        const editor::PlainFile f = editor::SplitPlainFile(plain);
        editorText.clear();
        for (int k = 0; k < f.LineCount(); ++k) {
            const editor::LineSpan l = f.Line(k);
            if (!editorText.isEmpty())
                editorText += QLatin1Char('\n');
            editorText += editor::DecodeLine(f.bytes.constData() + l.start, l.length, f.encoding);
        }
    });
    const double plainLoad = medianMs([&](QTextDocument& doc) {
        auto* bytes = new editor::DocumentBytes(&doc, &doc);
        bytes->LoadPlain(editor::SplitPlainFile(plain),
                         [&](const QString& text) { doc.setPlainText(text); });
    });
    const double plainFloor = medianMs([&](QTextDocument& doc) { doc.setPlainText(editorText); });
    QTextDocument plainDoc;
    editor::DocumentBytes plainBytes(&plainDoc);
    plainBytes.LoadPlain(editor::SplitPlainFile(plain),
                         [&](const QString& text) { plainDoc.setPlainText(text); });
    bool sameBytes = false;
    const double plainSave = medianMs([&](QTextDocument&) {
        editor::TextEncoding used;
        sameBytes = plainBytes.Encode(true, &used) == plain;
    });

    QString error;
    QTextDocument rtfDoc;
    editor::ReadRtf(rtf, &rtfDoc, &error);
    const QString rtfText = rtfDoc.toPlainText();
    const double rtfLoad =
        medianMs([&](QTextDocument& doc) { editor::ReadRtf(rtf, &doc, &error); });
    const double rtfFloor = medianMs([&](QTextDocument& doc) { doc.setPlainText(rtfText); });
    // The floor of the formatted load: the same runs and paragraphs put in by QTextCursor
    // without any reading.
    struct Piece {
        QString text;
        QTextCharFormat format;
        bool newBlock;
    };
    std::vector<Piece> pieces;
    for (QTextBlock b = rtfDoc.begin(); b.isValid(); b = b.next()) {
        bool first = true;
        for (auto it = b.begin(); !it.atEnd(); ++it, first = false)
            pieces.push_back(
                {it.fragment().text(), it.fragment().charFormat(), first && b != rtfDoc.begin()});
    }
    const double runsFloor = medianMs([&](QTextDocument& doc) {
        doc.setUndoRedoEnabled(false);
        QTextCursor c(&doc);
        c.beginEditBlock(); // as the reader: the layout hears of it once
        for (const Piece& p : pieces) {
            if (p.newBlock)
                c.insertBlock(QTextBlockFormat(), p.format);
            c.insertText(p.text, p.format);
        }
        c.endEditBlock();
    });
    const double rtfSave = medianMs([&](QTextDocument&) { editor::WriteRtf(&rtfDoc); });

    // Finding the last word from the start, as the find dialog does it; next to a plain
    // memmem over the same bytes (the floor).
    editor::SearchOptions down;
    std::optional<editor::TextHit> hit;
    const double find = medianMs([&](QTextDocument&) {
        hit = editor::SearchDocument(&plainDoc, 0, 0, lastWord, down, editor::TextEncoding::Cp932);
    });
    const QByteArray needle = platform::encodeCp932(lastWord);
    const void* found = nullptr;
    const double findFloor = medianMs([&](QTextDocument&) {
        found = memmem(plain.constData(), size_t(plain.size()), needle.constData(),
                       size_t(needle.size()));
    });
    const bool findOk = hit && hit->start == editorText.size() - lastWord.size() && found;

    std::printf(
        "plain text %.1f MB (Shift-JIS, CR LF), RTF %.1f MB (%d paragraphs, %d characters)\n",
        plain.size() / 1048576.0, rtf.size() / 1048576.0, rtfDoc.blockCount(), int(rtfText.size()));
    std::printf("%-40s %9.1f ms\n", "plain: detect + decode the lines", decode);
    std::printf("%-40s %9.1f ms  (%.2f x the floor)\n", "plain: whole load into a document",
                plainLoad, plainLoad / plainFloor);
    std::printf("%-40s %9.1f ms\n", "plain: floor, setPlainText alone", plainFloor);
    std::printf("%-40s %9.1f ms  (%s)\n", "plain: save unchanged (line bytes kept)", plainSave,
                sameBytes ? "byte-identical" : "BYTES DIFFER");
    std::printf("%-40s %9.1f ms  (%.2f x the floor)\n", "RTF: ReadRtf into a document", rtfLoad,
                rtfLoad / rtfFloor);
    std::printf("%-40s %9.1f ms\n", "RTF: floor, setPlainText of its text", rtfFloor);
    std::printf("%-40s %9.1f ms  (ReadRtf %.2f x this)\n", "RTF: floor, its runs by QTextCursor",
                runsFloor, rtfLoad / runsFloor);
    std::printf("%-40s %9.1f ms\n", "RTF: WriteRtf", rtfSave);
    std::printf("%-40s %9.1f ms  (%.1f x memmem, %s)\n", "find the last word from the start", find,
                find / findFloor, findOk ? "found" : "NOT FOUND");
    // The verdict rests on ratios to the floors measured in this run, which a loaded machine
    // slows alike: the former limits (1 s per load, 200 ms for the find) as multiples of
    // the floors on an idle machine.
    const double plainRatio = plainLoad / plainFloor, rtfRatio = rtfLoad / runsFloor;
    const double findRatio = find / std::max(findFloor, 0.01);
    std::printf("\ntargets: plain load %.2f x its floor (<= 3), RTF load %.2f x its runs "
                "(<= 5), find %.0f x memmem (<= 300)\n",
                plainRatio, rtfRatio, findRatio);
    const bool ok =
        plainRatio <= 3.0 && rtfRatio <= 5.0 && findRatio <= 300.0 && findOk && sameBytes;
    std::printf("\n%s\n", ok ? "all targets met" : "TARGET MISSED");
    return ok ? 0 : 1;
}

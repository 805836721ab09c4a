// Typing and F3 in the real editor window (TMeltM, shown on the offscreen platform) on
// Shift-JIS texts of ordinary lines, 20 kB, 1 MB and 20 MB: the load (LoadFromFile, as F2
// does it), a keystroke in the middle of the text (key press and release through the
// window's own handlers, status bar included),
// F3 to a hit about 1 kB below the caret, and a find over the whole text for a word that
// only its last line holds (the hit selected and shown, as the window does), next to memmem
// over the file's bytes (the floor). Keystrokes are also timed in a bare QPlainTextEdit and a
// bare QTextEdit holding the same text: Qt's own cost per key in the edit box the editor
// uses, and in the rich one, whose cost grows with the document. Medians.
// Usage: bench_editor_typing
#include "core/SharedState.h"
#include "editor/FindDialog.h"
#include "editor/TMeltL.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeMs(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

// Lines of about 50 bytes; every 20th line holds the marker F3 looks for.
QByteArray makeText(qsizetype size, const QString& marker, const QString& last) {
    QString text;
    for (int i = 0; text.size() * 1.5 < size; ++i) {
        text += QStringLiteral("吾輩は猫である。名前はまだ無い。 line %1").arg(i);
        if (i % 20 == 10)
            text += marker;
        text += QStringLiteral("\r\n");
    }
    QByteArray bytes = platform::encodeCp932(text);
    bytes.truncate(bytes.lastIndexOf("\r\n", size - 64) + 2);
    return bytes + platform::encodeCp932(last);
}

struct Figures {
    double load, key, keyPlain, keyRich, f3, find, floor;
    bool found;
};

// Keystrokes at the caret, key press and release: "a" typed and taken back, alternately.
// The median time of one.
double typeKeys(QWidget* box) {
    std::vector<double> keys;
    for (int i = 0; i < 60; ++i) {
        const bool type = i % 2 == 0;
        const int key = type ? Qt::Key_A : Qt::Key_Backspace;
        const QString text = type ? QStringLiteral("a") : QString(QChar(8));
        keys.push_back(timeMs([&] {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QApplication::sendEvent(box, &press);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
            QApplication::sendEvent(box, &release);
        }));
    }
    return median(keys);
}

// The same keystrokes in a bare edit box holding the same text: what Qt's own box costs
// per key.
template <typename Box> double keyFloor(const QString& text) {
    Box box;
    box.setLineWrapMode(Box::NoWrap);
    box.setPlainText(text);
    box.resize(494, 212);
    box.show();
    QTextCursor c(box.document()->findBlockByNumber(box.document()->blockCount() / 2));
    box.setTextCursor(c);
    return typeKeys(&box);
}

Figures measure(TMeltM& editor, const QString& path, const QByteArray& bytes, const QString& marker,
                const QString& last) {
    editor.ClearForLoading(QString());
    editor.SetPlainTextMode(true);
    const double load = timeMs([&] { editor.LoadFromFile(path); });
    QTextDocument* doc = editor.RichEdit1->document();
    auto caretTo = [&](int block) {
        QTextCursor c(doc->findBlockByNumber(block));
        editor.RichEdit1->setTextCursor(c);
    };
    const int middle = doc->blockCount() / 2;

    // Keystrokes at the middle line's start.
    caretTo(middle);
    const double key = typeKeys(editor.RichEdit1);

    // F3 from the middle: each hit lies about 1 kB below the one before.
    caretTo(middle);
    editor.FindDialog1->SetFindText(marker);
    std::vector<double> f3;
    for (int i = 0; i < 30; ++i) {
        if (i % 2 == 1) // with typing in between, as a user does
            editor.RichEdit1->textCursor().insertText(QStringLiteral("b"));
        f3.push_back(timeMs([&] { editor.FindNext1Click(); }));
    }

    // The whole text: from the top to the last line's word.
    std::vector<double> finds, floors;
    bool found = false;
    const QByteArray needle = platform::encodeCp932(last);
    for (int i = 0; i < 5; ++i) {
        editor.TopClick();
        editor.FindDialog1->SetFindText(last);
        finds.push_back(timeMs([&] { found = editor.SearchEditText(last, {}); }));
        const void* hit = nullptr;
        floors.push_back(timeMs([&] {
            hit = memmem(bytes.constData(), size_t(bytes.size()), needle.constData(),
                         size_t(needle.size()));
        }));
        found = found && hit;
    }
    found = found && editor.RichEdit1->textCursor().selectionStart() ==
                         doc->characterCount() - 1 - last.size();
    const QString text = doc->toPlainText();
    return {load,
            key,
            keyFloor<QPlainTextEdit>(text),
            keyFloor<QTextEdit>(text),
            median(f3),
            median(finds),
            median(floors),
            found};
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    platform::setSettingsFilePathOverride(dir.filePath(QStringLiteral("zelmo32.INI")));
    core::SharedState state;
    TMeltM editor(state);
    editor.show();

    const QString marker = QStringLiteral("目印");
    const QString last = QStringLiteral("最後の単語XYZ");
    struct Size {
        const char* name;
        qsizetype bytes;
    };
    std::vector<Figures> figures;
    std::printf("%-8s %11s %11s %11s %11s %11s %13s %11s %10s\n", "text", "load", "keystroke",
                "bare plain", "bare rich", "F3 (1 kB)", "find to end", "memmem", "find/floor");
    for (const Size s :
         {Size{"20 kB", 20 * 1024}, Size{"1 MB", 1024 * 1024}, Size{"20 MB", 20 * 1024 * 1024}}) {
        const QByteArray bytes = makeText(s.bytes, marker, last);
        const QString path = dir.filePath(QStringLiteral("text.txt"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        f.close();
        const Figures r = measure(editor, path, bytes, marker, last);
        figures.push_back(r);
        std::printf(
            "%-8s %8.1f ms %8.3f ms %8.3f ms %8.3f ms %8.3f ms %10.1f ms %8.2f ms %9.0f x %s\n",
            s.name, r.load, r.key, r.keyPlain, r.keyRich, r.f3, r.find, r.floor, r.find / r.floor,
            r.found ? "" : "NOT FOUND");
    }
    // Typing and F3 near the caret cost the same in a long text as in a short one.
    const double keyRatio = figures[2].key / figures[0].key;
    const double f3Ratio = figures[2].f3 / figures[0].f3;
    std::printf("\n20 MB / 20 kB: keystroke %.2f x, F3 %.2f x; whole-text find at 20 MB %.0f x "
                "memmem\n",
                keyRatio, f3Ratio, figures[2].find / figures[2].floor);
    const bool ok =
        keyRatio < 2 && figures[2].f3 < 50 &&
        std::all_of(figures.begin(), figures.end(), [](const Figures& f) { return f.found; });
    std::printf("%s\n", ok ? "all targets met" : "TARGET MISSED");
    editor.SetModified(false);
    return ok ? 0 : 1;
}

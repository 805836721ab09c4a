// Photographs of the editor with a Japanese text and of its find dialog.
#include "core/SharedState.h"
#include "editor/FindDialog.h"
#include "editor/TMeltL.h"
#include "platform/AppPaths.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    QTemporaryDir settings;
    platform::setSettingsFilePathOverride(settings.filePath("zelmo32.INI"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"),
                              QStringLiteral("Noto Sans Mono CJK JP"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"),
                              QStringLiteral("Noto Sans CJK JP"));

    core::SharedState state;
    TMeltM editor(state);
    editor.resize(560, 300);
    editor.setWindowTitle(QStringLiteral("ゼル君・簡易エディタ ： /home/user/メモ.txt"));
    editor.RichEdit1->setPlainText(QStringLiteral("今日の予定\n"
                                                  "・午前１０時　会議（第二会議室）\n"
                                                  "・午後　　　　資料の作成 ab AB ab\n"
                                                  "・夕方　　　　ｶﾀｶﾅ の確認と English text\n"
                                                  "\n"
                                                  "以上です。"));
    editor.SetEncoding(editor::TextEncoding::Cp932);
    editor.SetModified(false);
    editor.show();
    app.processEvents();
    editor.FindDialog1->SetFindText(QStringLiteral("資料"));
    editor.FindDialog1Find();
    editor.UpdateStatus();
    app.processEvents();
    editor.grab().save(out + "/editor-japanese.png");

    editor.RichEdit1->moveCursor(QTextCursor::Start);
    editor.FindClick();
    editor.FindDialog1->SetFindText(QStringLiteral("ab"));
    editor.FindDialog1->SetWholeWord(true);
    app.processEvents();
    editor.FindDialog1->grab().save(out + "/find-dialog.png");
    editor.FindDialog1Find();
    app.processEvents();
    editor.grab().save(out + "/editor-after-find.png");
    editor.FindNext1Click();
    editor.FindNext1Click();
    app.processEvents();
    editor.grab().save(out + "/editor-find-total.png");
    editor.N6->popup(editor.mapToGlobal(QPoint(0, 20)));
    app.processEvents();
    editor.N6->grab().save(out + "/menu-file.png");
    return 0;
}

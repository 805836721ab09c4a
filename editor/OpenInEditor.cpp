#include "editor/OpenInEditor.h"

#include "core/BusyCursor.h"
#include "core/SharedState.h"
#include "editor/TMeltL.h"
#include "platform/FsName.h"
#include "ui/Composition.h"
#include "ui/MessageDialog.h"

#include <QApplication>

namespace editor {

TMeltM* EditPopClick(core::SharedState& state, const EditorOpenFacts& facts) {
    core::BusyCursor busy;
    auto* editor = qobject_cast<TMeltM*>(state.Windows.MeltM.data());

    // Guard: an editor with changed text asks before it is replaced; a hidden one is shown
    // first, so the user sees what the question is about.
    if (editor)
        ui::SettleComposition(editor->RichEdit1); // the guard sees the final text
    if (editor && editor->Modified()) {
        if (!editor->isVisible())
            editor->show();
        editor->raise();
        editor->activateWindow();
        busy.restore();
        const ui::MsgResult r = ui::MessageDlg(
            QStringLiteral(
                "編集中のテキストがあります。\r\n \r\n選択に基づき、次のテキストを表示しますか ? "),
            ui::MsgDlgType::Confirmation, ui::mbYes | ui::mbNo);
        if (r != ui::MsgResult::Yes) {
            if (editor->isMinimized())
                editor->showNormal();
            return nullptr;
        }
        busy.resume();
    }

    if (!editor) {
        editor = new TMeltM(state);
        // Kept for the run; destroyed at the end so that its placement is saved.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, editor, &QObject::deleteLater);
        state.Windows.MeltM = editor;
        editor->LoadTextFont(QStringLiteral("TMeltM"));
        state.LastTextFontSource = editor->RichEdit1;
    }
    editor->ClearForLoading(QStringLiteral("しばらく待って下さい"));

    QString path;
    if (facts.viewerOpen) {
        path = facts.selectedPath;
        if (!path.isEmpty()) {
            const bool rich = IsRichTextName(path);
            editor->SetPlainTextMode(!rich);
            if (!rich && state.LastTextFontSource) {
                QFont f = editor->RichEdit1->document()->defaultFont();
                f.setFamily(state.LastTextFontSource->font().family());
                editor->RichEdit1->document()->setDefaultFont(f);
            }
            busy.restore(); // a read error shows its box with the normal cursor
            editor->LoadFromFile(path);
            busy.resume();
            editor->SetModified(false);
        }
        state.CurrentTextFile = path;
    }

    // Archives are shown by the archive window, and from the tray only a minimised
    // editor takes the selection.
    const bool discard = !facts.viewerOpen || ExtensionKey(path) == QStringLiteral(".LZH") ||
                         path.isEmpty() || (facts.inTray && !editor->isMinimized());
    if (discard) {
        state.CurrentTextFile.clear();
        path.clear();
        editor->ClearForLoading(QString());
    }

    editor->setWindowTitle(QStringLiteral("ゼル君・簡易エディタ ： ") +
                           platform::displayName(path));
    editor->RichEdit1->viewport()->update();
    editor->FileOpen->setEnabled(true);
    editor->show();
    if (editor->isMinimized())
        editor->showNormal();
    busy.restore();
    editor->ShowLoadWarning(); // a damaged document says so once its text is seen
    return editor;
}

} // namespace editor

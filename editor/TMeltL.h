#pragma once
// The text viewer/editor window: a rich edit box with a three-panel status bar, a menu
// bar and a context menu; finding, editing, saving as text or RTF, its font kept in the
// settings section named after its class. TMeltL shows archive members; TMeltM, the
// same window under its own class name, is the main window's editor. The caller loads
// the content; closing only hides the window.
#include "editor/DocumentBytes.h"
#include "editor/DocumentFiles.h"
#include "editor/TextSearch.h"

#include <QColor>
#include <QPlainTextEdit>
#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QInputMethodEvent;
class QMimeData;

namespace core {
struct SharedState;
}

namespace editor {

class FindDialog;

// The edit box: Ctrl+Up/Down scroll by a line, and the clause being converted by the
// input method shows yellow on blue. It is Qt's plain-text box, which lays out only the
// lines on screen (typing costs the same in a 20 MB text as in a short one); RTF
// documents keep their character formats in it, which is all the RTF reader makes.
class RichEditBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit RichEditBox(QWidget* parent = nullptr);

signals:
    void statusNeeded();
    void menusNeeded();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    bool event(QEvent* e) override;

public:
    // Copies carry real characters only: escaped bytes and lone surrogates never leave.
    QMimeData* createMimeDataFromSelection() const override;
    // In an RTF document a paste keeps the clipboard's formatting (RichPaste).
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    // True while the box holds a document read as RTF or last saved as RTF.
    bool RichPaste = false;
    const editor::DocumentBytes* Bytes = nullptr; // for the escapes' encoding
    // Keys of the window's menu that the box must not take for its own (Ctrl+C is the
    // window's Copy, which copies the whole text when nothing is selected).
    QList<QKeySequence> MenuKeys;
};
} // namespace editor

// The classes stay outside the namespace: their names are the settings sections.
class TMeltL : public QWidget {
    Q_OBJECT
public:
    explicit TMeltL(core::SharedState& state, QWidget* parent = nullptr);
    ~TMeltL() override;

    static constexpr int kDesignWidth = 494, kDesignHeight = 212;
    static constexpr int kHelpContext = 1075;

    // ---- What callers use ----------------------------------------------------------
    // Empties the box and shows status in panel 1 at once, while the caller loads.
    void ClearForLoading(const QString& status);
    // The font of RichEdit1 from the settings section (the window's class name).
    void LoadTextFont(const QString& section);
    void SaveFontSettings();
    // Loads a file in the current plain-text mode; a failure is shown and leaves what
    // could be read.
    bool LoadFromFile(const QString& path);
    // A text from memory (an archive member): it ends at the first NUL byte.
    void LoadFromBuffer(const QByteArray& bytes);
    // What the last load found wrong with a document it could still read (a cut or too
    // deeply nested RTF document), shown in a message box once the text is on screen.
    void ShowLoadWarning();
    QString LoadWarning() const { return loadWarning_; }
    bool PlainTextMode() const { return plainText_; }
    void SetPlainTextMode(bool on) { plainText_ = on; }
    // The encoding the document came in; saving and the byte measure use it.
    editor::TextEncoding Encoding() const { return bytes_->Encoding(); }
    void SetEncoding(editor::TextEncoding e) { bytes_->SetEncoding(e); }
    const editor::DocumentBytes& Bytes() const { return *bytes_; }
    bool Modified() const;
    void SetModified(bool on);
    QString Panel(int index) const;
    QString SavedDirectory() const { return savedDirectory_; }
    QColor TextColor() const { return textColor_; }
    void SetTextFont(const QFont& font, const QColor& color);

    // ---- Handlers --------------------------------------------------------------------
    void UpdateStatus();
    void UpdateMenus();
    void CopyClick();
    void PasteClick();
    void CutClick();
    void UndoClick();
    void FindClick();
    void FindNext1Click();
    void FindDialog1Find();
    void SaveClick();
    // Save as, telling what came of it: a failed write stops the command that asked.
    enum class SaveResult { Saved, Cancelled, Failed };
    SaveResult SaveAs();
    void TopClick();
    void LastClick();
    void FontsSetO1Click();
    void HelpH1Click();
    void CloseBClick();
    void FileOpenClick();
    void K1Click();
    void K3Click();
    void K4Click();
    void WordRapMClick();
    // Ctrl+Down (lines > 0) or Ctrl+Up (< 0) without moving the caret.
    void ScrollLines(int lines);

    // The selection as the search sees it.
    bool SearchEditText(const QString& find, const editor::SearchOptions& options);

    // ---- Controls --------------------------------------------------------------------
    editor::RichEditBox* RichEdit1 = nullptr;
    QWidget* StatusBar1 = nullptr;
    editor::FindDialog* FindDialog1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu *N6 = nullptr, *Edit1 = nullptr, *Find1 = nullptr, *GoTo1 = nullptr, *O1 = nullptr;
    QAction *Copy = nullptr, *Paste = nullptr, *Cut = nullptr, *Undo = nullptr, *Find = nullptr,
            *FindNext1 = nullptr, *Save = nullptr, *Top = nullptr, *Last = nullptr,
            *FontsSetO1 = nullptr, *HelpH1 = nullptr, *CloseB = nullptr;
    QAction *CopyM = nullptr, *PasteM = nullptr, *CutM = nullptr, *UndoM = nullptr,
            *FindM = nullptr, *FindNextM = nullptr, *SaveM = nullptr, *TopM = nullptr,
            *LastM = nullptr, *FontsSetOM = nullptr, *HelpHM = nullptr, *CloseM = nullptr,
            *FileOpen = nullptr, *K1 = nullptr, *K3 = nullptr, *K4 = nullptr, *WordRapM = nullptr;

    static const QString kSaveFilter, kOpenFilter;

protected:
    // For TMeltM: build without the create step, which then runs under its own name.
    TMeltL(core::SharedState& state, QWidget* parent, bool runCreate);
    void FormCreate();
    void FormDestroy();

    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void Build();
    void BuildMenus();
    void SetPanel(int index, const QString& text);
    bool WriteDocument(const QString& path, bool plain);
    void LoadPlainBytes(QByteArray bytes);
    void Restore();
    void FinishLoading();

    core::SharedState& state_;
    QLabel* panels_[3] = {};
    bool plainText_ = false;
    editor::DocumentBytes* bytes_ = nullptr; // the file behind the text, its byte count
    bool destroyed_ = false;

    int CaretLine = 0;
    int LineCount = 0;
    int FindCount = 0;
    bool ContinueHint = false;
    QString savedDirectory_;
    QString loadWarning_;
    QColor textColor_ = Qt::black;
    qsizetype TextBytes() const { return bytes_->Bytes(); }
    int colorValue_ = 0; // as kept in the settings file: 0x00BBGGRR or a system colour
};

// The main window's editor: the same window under its own class name, which selects its
// own settings section for font and placement.
class TMeltM : public TMeltL {
    Q_OBJECT
public:
    explicit TMeltM(core::SharedState& state, QWidget* parent = nullptr);
    ~TMeltM() override;
};

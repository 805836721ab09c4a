// The text window's commands that reach outside the edit box: finding, saving, opening,
// closing, the font and its settings, loading.
#include "core/SettingsFile.h"
#include "core/SharedState.h"
#include "editor/EditorDialogs.h"
#include "editor/FindDialog.h"
#include "editor/TMeltL.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "ui/Composition.h"
#include "ui/MessageDialog.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <memory>

namespace editor {

namespace {

constexpr qsizetype kMaxFileBytes = 999999999;

// A Windows colour value: 0x00BBGGRR, or a system colour constant (high byte set),
// which stands for the window text colour of the palette.
QColor ColorFromValue(int value, const QColor& systemText) {
    const auto v = uint32_t(value);
    if (v & 0xFF000000u)
        return systemText;
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

int ValueFromColor(const QColor& c) {
    return c.red() | c.green() << 8 | c.blue() << 16;
}

QString FileNamePart(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString DirectoryPart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : slash == 0 ? QStringLiteral("/") : path.left(slash);
}

// The document as RTF may hold only real characters: a copy with escaped bytes and lone
// surrogates replaced (the document itself when it has none).
std::shared_ptr<const QTextDocument> RtfReadyDocument(QTextDocument* doc, TextEncoding e) {
    std::shared_ptr<QTextDocument> copy;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QString text = b.text();
        if (WithoutEscapes(text, e) == text)
            continue;
        if (!copy)
            copy.reset(doc->clone());
        const QTextBlock cb = copy->findBlockByNumber(b.blockNumber());
        QTextCursor c(copy.get());
        // Each character apart, from the end, so the positions before stay put.
        for (qsizetype i = text.size() - 1; i >= 0; --i) {
            const QString one = WithoutEscapes(QStringView(text).mid(i, 1), e);
            const bool paired = text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate();
            if (paired || one == text.mid(i, 1)) {
                if (paired)
                    --i;
                continue;
            }
            c.setPosition(cb.position() + int(i));
            c.setPosition(cb.position() + int(i) + 1, QTextCursor::KeepAnchor);
            c.insertText(one);
        }
    }
    if (copy)
        return copy;
    return std::shared_ptr<const QTextDocument>(doc, [](const QTextDocument*) {});
}

void ShowError(const QString& text) {
    ui::MessageDlg(text, ui::MsgDlgType::Error, ui::mbOK);
}

} // namespace
} // namespace editor

using namespace editor;

// ---- Loading ---------------------------------------------------------------------------

void TMeltL::ClearForLoading(const QString& status) {
    RichEdit1->clear();
    // What comes next (a text, or what the user types) takes no format from what the
    // box held: the box keeps the caret's last format across clear() and setPlainText.
    RichEdit1->setCurrentCharFormat(QTextCharFormat());
    bytes_->ResetNew(); // a new text is UTF-8 with LF, whatever came before
    RichEdit1->RichPaste = false;
    SetModified(false);
    SetPanel(0, QString());
    SetPanel(1, status);
    SetPanel(2, QString());
    StatusBar1->repaint(); // seen while the caller loads
}

void TMeltL::LoadPlainBytes(QByteArray bytes) {
    RichEdit1->setCurrentCharFormat(QTextCharFormat()); // as in ClearForLoading
    RichEdit1->RichPaste = false;
    bytes_->LoadPlain(SplitPlainFile(std::move(bytes)),
                      [this](const QString& text) { RichEdit1->setPlainText(text); });
}

bool TMeltL::LoadFromFile(const QString& path) {
    loadWarning_.clear();
    const std::optional<QByteArray> bytes = platform::readWholeFile(path, kMaxFileBytes);
    if (!bytes) {
        ShowError(QStringLiteral("%1 を読み込めません").arg(platform::displayName(path)));
        return false;
    }
    // A document that is not RTF shows as text in either mode, as the rich edit box does.
    if (!plainText_ && bytes->startsWith("{\\rtf")) {
        QString error;
        const bool ok = ReadRtf(*bytes, RichEdit1->document(), &error);
        bytes_->ResetRich();
        RichEdit1->RichPaste = true;
        SetModified(false);
        UpdateStatus();
        FinishLoading();
        if (!ok) {
            ShowError(error.isEmpty()
                          ? QStringLiteral("%1 を読み込めません").arg(platform::displayName(path))
                          : error);
            return false;
        }
        loadWarning_ = error; // shown by the caller once the text is on screen
        return true;
    }
    LoadPlainBytes(*bytes);
    SetModified(false);
    UpdateStatus();
    FinishLoading();
    return true;
}

void TMeltL::LoadFromBuffer(const QByteArray& bytes) {
    loadWarning_.clear();
    // A member's text is a zero-terminated buffer: it ends at the first NUL.
    const qsizetype nul = bytes.indexOf('\0');
    LoadPlainBytes(nul < 0 ? bytes : bytes.left(nul));
    SetModified(false);
    UpdateStatus();
    FinishLoading();
}

// Every load starts reading at the top, whatever the reader left the caret at.
void TMeltL::FinishLoading() {
    RichEdit1->moveCursor(QTextCursor::Start);
    RichEdit1->horizontalScrollBar()->setValue(0);
    RichEdit1->verticalScrollBar()->setValue(0);
    UpdateStatus();
}

void TMeltL::ShowLoadWarning() {
    if (loadWarning_.isEmpty())
        return;
    const QString text = loadWarning_;
    loadWarning_.clear();
    ui::MessageDlg(text, ui::MsgDlgType::Warning, ui::mbOK);
}

// ---- Font ------------------------------------------------------------------------------

void TMeltL::SetTextFont(const QFont& font, const QColor& color) {
    RichEdit1->setFont(font);
    RichEdit1->document()->setDefaultFont(font);
    QPalette p = RichEdit1->palette();
    p.setColor(QPalette::Text, color);
    RichEdit1->setPalette(p);
    textColor_ = color;
    colorValue_ = ValueFromColor(color);
}

void TMeltL::LoadTextFont(const QString& section) {
    const SettingsFile ini;
    const QFont current = RichEdit1->font();
    QFont font = current;
    font.setFamily(ini.ReadString(section, QStringLiteral("Name"), current.family()).left(255));
    const int size = ini.ReadInteger(section, QStringLiteral("Size"), current.pointSize());
    if (size > 0)
        font.setPointSize(size);
    const int value = ini.ReadInteger(section, QStringLiteral("Color"), colorValue_);
    const int style = ini.ReadInteger(section, QStringLiteral("Style"), 0);
    font.setBold(style & 1);
    font.setItalic(style & 2);
    font.setUnderline(style & 4);
    font.setStrikeOut(style & 8);
    SetTextFont(font, ColorFromValue(value, palette().color(QPalette::WindowText)));
    colorValue_ = value; // a system colour constant is kept as it was
}

void TMeltL::SaveFontSettings() {
    SettingsFile ini;
    const QString section = QString::fromLatin1(metaObject()->className());
    const QFont f = RichEdit1->font();
    const int style = (f.bold() ? 1 : 0) | (f.italic() ? 2 : 0) | (f.underline() ? 4 : 0) |
                      (f.strikeOut() ? 8 : 0);
    ini.WriteString(section, QStringLiteral("Name"), f.family());
    ini.WriteInteger(section, QStringLiteral("Size"), f.pointSize());
    ini.WriteInteger(section, QStringLiteral("Color"), colorValue_);
    ini.WriteInteger(section, QStringLiteral("Style"), style);
}

void TMeltL::FontsSetO1Click() {
    ui::SettleComposition(RichEdit1); // the dialog takes the keyboard
    showMinimized();
    // The dialog starts on the family the font resolves to ("ＭＳ ゴシック" is a name the
    // font database knows only as a substitution); kept, the stored name stays as it was.
    const QFont current = RichEdit1->font();
    QFont shown = current;
    const QString resolved = QFontInfo(current).family();
    shown.setFamily(resolved);
    const std::optional<FontChoice> choice = RunFontDialog(this, {shown, textColor_});
    if (choice) {
        const int keep = colorValue_;
        const bool sameColor = choice->color == textColor_;
        QFont font = choice->font;
        if (font.family() == resolved)
            font.setFamily(current.family());
        SetTextFont(font, choice->color);
        if (sameColor)
            colorValue_ = keep;
        UpdateStatus();
        SaveFontSettings();
    }
    Restore();
}

// ---- Find ------------------------------------------------------------------------------

bool TMeltL::SearchEditText(const QString& find, const SearchOptions& options) {
    const QTextCursor c = RichEdit1->textCursor();
    const std::optional<TextHit> hit = SearchDocument(RichEdit1->document(), c.selectionStart(),
                                                      c.selectionEnd() - c.selectionStart(), find,
                                                      options, bytes_->SearchEncoding());
    if (!hit)
        return false;
    RichEdit1->setFocus();
    QTextCursor sel(RichEdit1->document());
    sel.setPosition(int(hit->start));
    sel.setPosition(int(hit->start + hit->length), QTextCursor::KeepAnchor);
    RichEdit1->setTextCursor(sel);
    return true;
}

void TMeltL::FindClick() {
    ui::SettleComposition(RichEdit1); // the dialog takes the keyboard
    FindCount = 0;
    ContinueHint = true;
    const QTextCursor c = RichEdit1->textCursor();
    if (c.hasSelection()) // line breaks as the search sees them
        FindDialog1->SetFindText(c.selectedText().replace(QChar::ParagraphSeparator, u'\n'));
    FindDialog1->ShowAt(QCursor::pos() - QPoint(10, 10));
    FindDialog1->raise();
    FindDialog1->activateWindow(); // typing goes to the find text
    FindDialog1->TextEdit->setFocus();
    FindDialog1->TextEdit->selectAll();
    SetPanel(2, QString());
    FindNext1->setEnabled(true);
    FindNextM->setEnabled(true);
}

void TMeltL::FindDialog1Find() {
    const QString find = FindDialog1->FindText();
    SearchOptions o;
    o.down = FindDialog1->Down();
    o.matchCase = FindDialog1->MatchCase();
    o.wholeWord = FindDialog1->WholeWord();
    if (SearchEditText(find, o)) {
        ++FindCount;
    } else {
        if (FindCount > 0) {
            SetPanel(2, QStringLiteral("検索文字 ： \" ") + find +
                            QStringLiteral("\u3000\" は、計  ") + QString::number(FindCount) +
                            QStringLiteral("  回  見つかりました。"));
        } else {
            SetPanel(2, QStringLiteral("見つかりません \"\u3000") + find +
                            QStringLiteral("\u3000\" !!"));
            ContinueHint = false;
        }
        FindDialog1->close();
        FindCount = 0;
        QTextCursor c = RichEdit1->textCursor();
        c.setPosition(c.selectionStart());
        RichEdit1->setTextCursor(c);
    }
    UpdateStatus();
    if (ContinueHint) {
        FindDialog1->close();
        SetPanel(2, QStringLiteral("検索を継続する時は、「 Ｆ３キー 」を押下して下さい。"));
    }
    // The closed dialog gives the keyboard back to the window, for F3.
    if (isVisible() && !FindDialog1->isVisible())
        activateWindow();
}

void TMeltL::FindNext1Click() {
    ContinueHint = false;
    FindDialog1Find();
}

// ---- Saving ----------------------------------------------------------------------------

bool TMeltL::WriteDocument(const QString& path, bool plain) {
    QByteArray bytes;
    TextEncoding used = bytes_->Encoding();
    bool keepEscapes = true;
    if (plain) {
        // Characters the encoding lacks send the text to UTF-8; bytes that were no
        // character in the old encoding would then sit among UTF-8: never silently.
        if (!bytes_->Fits() && bytes_->HasEscapes()) {
            const QString name = EncodingName(bytes_->Encoding());
            const ui::MsgResult r = ui::MessageDlg(
                QStringLiteral(
                    "この文書には %1 で書けない文字があるため、UTF-8 で保存します。"
                    "\r\n\r\nただし、%1 として読めなかったバイトが含まれています。"
                    "\r\n\r\nはい ： そのバイトをそのまま書き込む（文字コードが混ざります）"
                    "\r\nいいえ ： そのバイトを「\uFFFD」に置き換える"
                    "\r\nｷｬﾝｾﾙ ： 保存しない")
                    .arg(name),
                ui::MsgDlgType::Warning, ui::mbYes | ui::mbNo | ui::mbCancel);
            if (r != ui::MsgResult::Yes && r != ui::MsgResult::No)
                return false;
            keepEscapes = r == ui::MsgResult::Yes;
        }
        bytes = bytes_->Encode(keepEscapes, &used);
    } else {
        bytes = WriteRtf(RtfReadyDocument(RichEdit1->document(), bytes_->Encoding()).get());
    }
    QString error;
    if (!SaveFileBytes(path, bytes, &error)) {
        ShowError(error.isEmpty()
                      ? QStringLiteral("%1 に書き込めません").arg(platform::displayName(path))
                      : error);
        return false;
    }
    // From now on the text is what was written, measured and saved as written.
    if (plain && !keepEscapes)
        bytes_->ReplaceEscapes();
    if (used != bytes_->Encoding())
        bytes_->Adopt(used);
    RichEdit1->RichPaste = !plain; // what the file on disk now keeps
    return true;
}

void TMeltL::SaveClick() {
    SaveAs();
}

TMeltL::SaveResult TMeltL::SaveAs() {
    ui::SettleComposition(RichEdit1); // what is saved is what the box shows
    savedDirectory_ = platform::currentDirectory();
    showMinimized();

    FileDialogRequest request;
    request.fileName = FileNamePart(state_.CurrentTextFile);
    request.filter = kSaveFilter;
    request.filterIndex = ExtensionKey(request.fileName) == QStringLiteral(".RTF") ? 2 : 1;
    if (!request.fileName.isEmpty())
        request.directory = DirectoryPart(state_.CurrentTextFile);

    SaveResult result = SaveResult::Cancelled;
    while (const std::optional<FileDialogAnswer> answer = RunSaveDialog(this, request)) {
        QString path = answer->path;
        const QString name = FileNamePart(path);
        const bool typedExtension = !ExtensionKey(name).isEmpty();
        bool plain;
        if (!typedExtension && answer->filterIndex == 2) {
            path += QStringLiteral(".RTF");
            plain = false;
        } else if (!typedExtension) {
            path += QStringLiteral(".TXT");
            plain = true;
        } else {
            plain =
                name.mid(name.lastIndexOf(QLatin1Char('.'))).toUpper() != QStringLiteral(".RTF");
        }
        // The dialog asked about the name as typed; the name with the extension added is
        // another file, which is not replaced without a question of its own.
        if (!typedExtension && (platform::pathExists(path) || platform::pathIsSymlink(path)) &&
            ui::MessageDlg(platform::displayName(path) +
                               QStringLiteral("\r\n\r\n同じ名前のファイルが既にあります。"
                                              "\r\n\r\n置き換えますか　？"),
                           ui::MsgDlgType::Confirmation,
                           ui::mbYes | ui::mbNo) != ui::MsgResult::Yes) {
            request.directory = DirectoryPart(answer->path);
            request.fileName = name;
            request.filterIndex = answer->filterIndex;
            continue; // back to the dialog for another name
        }
        plainText_ = plain;
        const QString caption = windowTitle();
        setWindowTitle(platform::displayName(FileNamePart(path)));
        if (WriteDocument(path, plainText_)) {
            UpdateStatus(); // the count of the text as written
            const QString text = platform::displayName(path) +
                                 QStringLiteral("\r\n\r\nFile Size  :  ") +
                                 GroupThousands(TextBytes()) +
                                 QStringLiteral("  Bytes  を\r\n\r\n正常に保存しました !!");
            ui::MessageBox(QString(), text, ui::MsgIcon::None);
            result = SaveResult::Saved;
        } else {
            setWindowTitle(caption); // the text is not in that file
            result = SaveResult::Failed;
        }
        break;
    }
    // A failed write keeps the modified flag, so the text is not lost at the next close.
    if (result != SaveResult::Failed)
        SetModified(false);
    plainText_ = false;
    Restore();
    if (!platform::setCurrentDirectory(savedDirectory_))
        ShowError(
            QStringLiteral("%1 に移動できません").arg(platform::displayName(savedDirectory_)));
    return result;
}

// ---- Opening and closing ---------------------------------------------------------------

void TMeltL::FileOpenClick() {
    ui::SettleComposition(RichEdit1); // the question sees the final text
    showMinimized();
    if (RichEdit1->document()->isEmpty()) {
        SetModified(false);
    } else if (Modified()) {
        const ui::MsgResult r = ui::MessageDlg(
            QStringLiteral(
                "　 ＜ゼル君からの伝言＞\r\n\r\n先程、開いたファイルの内容が変更されています。"
                "\r\n\r\n変更内容を保存しますか　？"),
            ui::MsgDlgType::Warning, ui::mbYes | ui::mbNo | ui::mbCancel);
        if (r == ui::MsgResult::Cancel || r == ui::MsgResult::None) {
            Restore();
            return;
        }
        if (r == ui::MsgResult::Yes) {
            // The changed text is not on disk: nothing may take its place.
            if (SaveAs() == SaveResult::Failed)
                return;
            showMinimized();
        }
    }
    FileDialogRequest request;
    request.filter = kOpenFilter;
    if (const std::optional<FileDialogAnswer> answer = RunOpenDialog(this, request)) {
        // A file that cannot be read leaves the text, its caption and its flag as they were.
        if (LoadFromFile(answer->path)) {
            setWindowTitle(QStringLiteral("ゼル君・簡易エディタ ： ") +
                           platform::displayName(answer->path));
            SetModified(false);
        }
    }
    Restore();
    ShowLoadWarning();
}

void TMeltL::CloseBClick() {
    close();
}

void TMeltL::closeEvent(QCloseEvent* e) {
    // The question sees the final text, and nothing arrives later in the hidden window.
    ui::SettleComposition(RichEdit1);
    if (Modified()) {
        showMinimized();
        const ui::MsgResult r = ui::MessageDlg(
            QStringLiteral("　 ＜ゼル君からの伝言＞\r\n\r\nテキストの内容が更新されています。"
                           "\r\n\r\n変更内容を保存しますか　？"),
            ui::MsgDlgType::Warning, ui::mbYes | ui::mbNo);
        if (r == ui::MsgResult::Yes) {
            if (SaveAs() == SaveResult::Failed) {
                // The text is not on disk: the window stays, with it, still marked changed.
                e->ignore();
                return;
            }
        } else {
            SetModified(false);
        }
    }
    if (isMaximized() || isMinimized())
        showNormal();
    e->accept(); // hidden, kept with its text for the next use
}

// ---- TMeltM ----------------------------------------------------------------------------

TMeltM::TMeltM(core::SharedState& state, QWidget* parent) : TMeltL(state, parent, false) {
    setObjectName(QStringLiteral("TMeltM"));
    FormCreate();
}

TMeltM::~TMeltM() {
    FormDestroy();
}

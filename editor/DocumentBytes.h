#pragma once
// The bytes behind an edit box's document: the file a plain text came from (each block
// knows the line it was read from, and is written with that line's bytes while its text
// is what those bytes decode to), the encoding and line ends, and the document's size in
// bytes, kept up to date line by line as the user types. A block still as it was read
// costs nothing of its own: its line's number sits in the block's user state and its
// measures come from the file's compact line arrays; only a changed block carries data.
#include "editor/PlainText.h"

#include <QObject>
#include <functional>
#include <memory>

class QTextDocument;
class QTextBlock;

namespace editor {

struct ByteTotals;

class DocumentBytes : public QObject {
    Q_OBJECT
public:
    explicit DocumentBytes(QTextDocument* doc, QObject* parent = nullptr);
    ~DocumentBytes() override;

    // A file's text into the document (replacing what it held).
    // setText puts the text into the edit box.
    void LoadPlain(PlainFile file, const std::function<void(const QString&)>& setText);
    // The document's text as it is now, with nothing read behind it: a new document
    // (UTF-8, LF), or one read from RTF (counted as CP932 with CR LF, \line a break).
    void ResetNew();
    void ResetRich();

    TextEncoding Encoding() const { return encoding_; }
    // Measures the document anew in e (for a text set by hand); the lines read keep
    // their bytes only in the encoding they were read in.
    void SetEncoding(TextEncoding e);
    LineEnd DefaultLineEnd() const { return defaultEnd_; }

    // The text's bytes (no BOM) as it would be saved: line by line, each line break as
    // its line end's bytes. In UTF-8 when a character does not fit the encoding.
    qsizetype Bytes() const;
    // False when a character has no form in the encoding (saving goes to UTF-8).
    bool Fits() const;
    // True when the text holds escaped bytes.
    bool HasEscapes() const;

    // The file's bytes. In the encoding while everything fits, lines the user did not
    // change as they were read; else UTF-8, with escaped bytes written as they were
    // (keepEscapes) or as U+FFFD. *used: the encoding written.
    QByteArray Encode(bool keepEscapes, TextEncoding* used) const;
    // After a save in another encoding: the document is measured and kept in it.
    void Adopt(TextEncoding e);
    // After a save that wrote escaped bytes as U+FFFD: the text says so too, and no undo
    // brings the bytes back, so no later save writes what the user declined.
    void ReplaceEscapes();

    // The encoding the search works in: the document's own byte encoding while the text
    // fits it, else UTF-8.
    TextEncoding SearchEncoding() const;

private:
    struct PlainTotals {
        qsizetype bytes = 0, utf8 = 0, ends = 0, escapes = 0;
    };
    bool IsPlain(const QTextBlock& b, int* line) const;
    int OriginOf(const QTextBlock& b, int none) const;
    PlainTotals PlainMeasure(int line) const;
    void DropPlain(int line);
    void DropVanished(const QTextBlock& first, const QTextBlock& last);
    void ConvertPlain();
    void ForgetPlain();
    void Attach(QTextBlock block, int origin);
    void RecountAll();
    void ForgetOrigins();
    void OnChange(int position, int removed, int added);
    void Recount(QTextBlock block);
    LineEnd EndOf(int origin) const;
    bool Reads(int line, const QString& text) const;
    int Resolve(const QTextBlock& block, const QString& text) const;

    QTextDocument* doc_;
    std::shared_ptr<ByteTotals> totals_; // of the blocks that carry data
    PlainTotals plain_;                  // of the blocks still as read
    std::vector<uint64_t> alive_;        // a bit per line: its block is still as read
    int plainLeft_ = 0;
    int blockCount_ = 1;
    PlainFile file_;
    TextEncoding encoding_ = TextEncoding::Utf8;
    LineEnd defaultEnd_ = LineEnd::Lf;
    bool rich_ = false;
    bool bytesUsable_ = false; // file_'s bytes are in encoding_
    bool loading_ = false;
};

} // namespace editor

#include "editor/DocumentBytes.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <bit>

namespace editor {

// The sums over the document's lines; each line adds its share when counted and takes
// it back when Qt deletes the line (its user data dies with it).
struct ByteTotals {
    qsizetype bytes = 0; // of the lines that fit the encoding
    qsizetype utf8 = 0;
    qsizetype ends = 0;
    qsizetype misfits = 0;
    qsizetype escapes = 0;
};

namespace {

struct LineData : QTextBlockUserData {
    std::shared_ptr<ByteTotals> totals;
    int origin = -1;     // the file's line this block was read as, -1 for none
    qsizetype bytes = 0; // -1: does not fit
    qsizetype utf8 = 0;
    qsizetype end = 0; // the line end's bytes
    qsizetype escapes = 0;

    void add(int sign) const {
        if (bytes < 0)
            totals->misfits += sign;
        else
            totals->bytes += sign * bytes;
        totals->utf8 += sign * utf8;
        totals->ends += sign * end;
        totals->escapes += sign * escapes;
    }
    ~LineData() override { add(-1); }
};

LineData* DataOf(const QTextBlock& b) {
    return static_cast<LineData*>(b.userData());
}

qsizetype CountEscapes(QStringView text) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        n += IsByteEscape(text, i);
    return n;
}

} // namespace

DocumentBytes::DocumentBytes(QTextDocument* doc, QObject* parent)
    : QObject(parent), doc_(doc), totals_(std::make_shared<ByteTotals>()) {
    // Qt tells of changes (contentsChange) only to a document that has a layout.
    doc_->documentLayout();
    connect(doc_, &QTextDocument::contentsChange, this, &DocumentBytes::OnChange);
    ResetNew();
}

DocumentBytes::~DocumentBytes() = default;

LineEnd DocumentBytes::EndOf(int origin) const {
    if (origin >= 0 && origin < file_.LineCount() && file_.ends[size_t(origin)] != LineEnd::None)
        return file_.ends[size_t(origin)];
    return defaultEnd_;
}

bool DocumentBytes::IsPlain(const QTextBlock& b, int* line) const {
    if (plainLeft_ == 0 || b.userData())
        return false;
    const int o = b.userState();
    if (o < 0 || o >= file_.LineCount() || !(alive_[size_t(o) / 64] >> (o % 64) & 1))
        return false;
    *line = o;
    return true;
}

// The file's line a block was read as; none when it has no data (-2 for a block Qt made
// and nobody has counted yet, as the neighbour rule below tells them apart).
int DocumentBytes::OriginOf(const QTextBlock& b, int none) const {
    if (const LineData* d = DataOf(b))
        return d->origin;
    int line;
    return IsPlain(b, &line) ? line : none;
}

DocumentBytes::PlainTotals DocumentBytes::PlainMeasure(int line) const {
    const LineSpan l = file_.Line(line);
    PlainTotals t;
    t.bytes = l.length;
    t.ends = LineEndLength(EndOf(line), encoding_);
    const bool utf8 = encoding_ == TextEncoding::Utf8 || encoding_ == TextEncoding::Utf8Bom;
    if (utf8 && plain_.escapes == 0) { // its bytes are its UTF-8
        t.utf8 = l.length;
        return t;
    }
    const QString text = DecodeLine(file_.bytes.constData() + l.start, l.length, encoding_);
    t.utf8 = EncodedLength(text, TextEncoding::Utf8);
    t.escapes = CountEscapes(text);
    return t;
}

void DocumentBytes::DropPlain(int line) {
    const PlainTotals t = PlainMeasure(line);
    plain_.bytes -= t.bytes;
    plain_.utf8 -= t.utf8;
    plain_.ends -= t.ends;
    plain_.escapes -= t.escapes;
    alive_[size_t(line) / 64] &= ~(uint64_t(1) << (line % 64));
    --plainLeft_;
}

void DocumentBytes::Recount(QTextBlock block) {
    LineData* d = DataOf(block);
    QString text = block.text();
    int line;
    if (!d && IsPlain(block, &line)) {
        if (Reads(line, text))
            return; // still as read
        DropPlain(line);
        d = new LineData;
        d->totals = totals_;
        d->origin = line;
        block.setUserData(d);
    } else if (!d) {
        d = new LineData;
        d->totals = totals_;
        block.setUserData(d);
    } else {
        d->add(-1);
    }
    if (!file_.ends.empty() && (d->origin < 0 || !Reads(d->origin, text))) {
        const int origin = Resolve(block, text);
        if (origin >= 0)
            d->origin = origin;
    }
    qsizetype breaks = 0;
    if (rich_ && text.contains(QChar::LineSeparator)) {
        breaks = text.count(QChar::LineSeparator);
        text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    }
    const qsizetype endBytes = LineEndLength(defaultEnd_, encoding_);
    d->bytes = EncodedLength(text, encoding_);
    if (d->bytes >= 0)
        d->bytes += breaks * (endBytes - 1);
    d->utf8 = EncodedLength(text, TextEncoding::Utf8) + breaks * (endBytes - 1);
    d->end = LineEndLength(EndOf(d->origin), encoding_);
    d->escapes = CountEscapes(text);
    d->add(+1);
}

bool DocumentBytes::Reads(int line, const QString& text) const {
    if (line < 0 || line >= file_.LineCount())
        return false;
    const LineSpan l = file_.Line(line);
    return DecodeLine(file_.bytes.constData() + l.start, l.length, file_.encoding) == text;
}

int DocumentBytes::Resolve(const QTextBlock& block, const QString& text) const {
    // A block Qt made anew (a line split off, a line back by undo) is still the line it
    // reads as when that is the line after the one above it or before the one below it.
    if (file_.ends.empty())
        return -1;
    const QTextBlock before = block.previous(), after = block.next();
    const int above = before.isValid() ? OriginOf(before, -2) : -1;
    if (above >= -1 && Reads(above + 1, text))
        return above + 1;
    const int below = after.isValid() ? OriginOf(after, -1) : -1;
    if (below > 0 && Reads(below - 1, text))
        return below - 1;
    return -1;
}

void DocumentBytes::Attach(QTextBlock block, int origin) {
    LineData* d = DataOf(block);
    if (!d) {
        d = new LineData;
        d->totals = totals_;
        block.setUserData(d);
        d->add(+1); // all zero: Recount takes it back
    }
    d->origin = origin;
    Recount(block);
}

void DocumentBytes::OnChange(int position, int removed, int added) {
    Q_UNUSED(removed);
    if (loading_)
        return;
    const QTextBlock first = doc_->findBlock(position);
    const QTextBlock last = doc_->findBlock(qMin(position + added, doc_->characterCount() - 1));
    // Blocks gone: those the document had, plus those the new text made, minus those it has.
    const int blocks = doc_->blockCount();
    const int gone = blockCount_ + (last.blockNumber() - first.blockNumber()) - blocks;
    blockCount_ = blocks;
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        Recount(b);
        if (b == last)
            break;
    }
    if (gone > 0 && plainLeft_ > 0)
        DropVanished(first, last);
}

// A block still as read dies without a word (it has no data whose end could tell). Qt
// never moves a block, it only makes and deletes them, so the blocks still as read stand
// in the order of their lines: the lines gone are those between the nearest such blocks
// around the change that no block of the change holds.
void DocumentBytes::DropVanished(const QTextBlock& first, const QTextBlock& last) {
    int line, low = -1, high = file_.LineCount();
    for (QTextBlock b = first; b.isValid(); b = b.previous())
        if (IsPlain(b, &line)) {
            low = line;
            break;
        }
    for (QTextBlock b = last.next(); b.isValid(); b = b.next())
        if (IsPlain(b, &line)) {
            high = line;
            break;
        }
    std::vector<int> kept;
    if (low < 0 && high == file_.LineCount() && first == doc_->begin() &&
        last == doc_->lastBlock()) {
        int dummy;
        bool any = false;
        for (QTextBlock b = first; b.isValid() && !any; b = b.next())
            any = IsPlain(b, &dummy);
        if (!any) { // none left (the box emptied): nothing to measure line by line
            ForgetPlain();
            return;
        }
    }
    for (QTextBlock b = first.next(); b.isValid() && b.blockNumber() <= last.blockNumber();
         b = b.next())
        if (IsPlain(b, &line))
            kept.push_back(line);
    size_t k = 0;
    for (int o = low + 1; o < high;) {
        const uint64_t word = alive_[size_t(o) / 64] >> (o % 64);
        if (word == 0) { // none alive in the rest of this word
            o = (o / 64 + 1) * 64;
            continue;
        }
        o += std::countr_zero(word);
        if (o >= high)
            break;
        while (k < kept.size() && kept[k] < o)
            ++k;
        if (k == kept.size() || kept[k] != o)
            DropPlain(o);
        ++o;
    }
}

void DocumentBytes::LoadPlain(PlainFile file, const std::function<void(const QString&)>& setText) {
    ForgetPlain();
    file_ = std::move(file);
    encoding_ = file_.encoding;
    bytesUsable_ = true;
    rich_ = false;
    defaultEnd_ = file_.firstEnd == LineEnd::None ? LineEnd::Lf : file_.firstEnd;
    // One text with its line ends, one setText: the document cuts it where the file's
    // lines end. What the lines count is measured while decoding.
    qsizetype utf8 = 0, escapes = 0;
    QString text = DecodeText(file_, &utf8, &escapes);
    loading_ = true;
    setText(text);
    loading_ = false;
    text = QString();
    blockCount_ = doc_->blockCount();
    const int lines = file_.LineCount();
    if (blockCount_ != lines) { // a text Qt cut otherwise
        for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next())
            Attach(b, -1);
        return;
    }
    alive_.assign(size_t(lines + 63) / 64, ~uint64_t(0));
    if (lines % 64)
        alive_.back() = (uint64_t(1) << (lines % 64)) - 1;
    plainLeft_ = lines;
    int i = 0;
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next(), ++i) {
        if (b.userData())
            b.setUserData(nullptr); // what the emptied box kept
        b.setUserState(i);
    }
    plain_.bytes = file_.bytes.size() - file_.bomSize;
    plain_.ends = 0;
    for (int k = 0; k < lines; ++k) {
        plain_.bytes -= LineEndLength(file_.ends[size_t(k)], encoding_);
        plain_.ends += LineEndLength(EndOf(k), encoding_);
    }
    plain_.utf8 = utf8;
    plain_.escapes = escapes;
}

// The blocks still as read become blocks with data of their own (before the lines' bytes
// are measured in another encoding, or forgotten).
void DocumentBytes::ConvertPlain() {
    int line;
    for (QTextBlock b = doc_->begin(); b.isValid() && plainLeft_ > 0; b = b.next())
        if (IsPlain(b, &line)) {
            DropPlain(line);
            Attach(b, line);
        }
}

void DocumentBytes::ForgetPlain() {
    plain_ = PlainTotals();
    alive_.clear();
    plainLeft_ = 0;
}

void DocumentBytes::RecountAll() {
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next())
        Recount(b);
}

void DocumentBytes::ResetNew() {
    ConvertPlain();
    ForgetPlain();
    file_ = PlainFile();
    encoding_ = TextEncoding::Utf8;
    defaultEnd_ = LineEnd::Lf;
    rich_ = false;
    bytesUsable_ = false;
    ForgetOrigins();
}

void DocumentBytes::ResetRich() {
    ResetNew();
    encoding_ = TextEncoding::Cp932;
    defaultEnd_ = LineEnd::CrLf;
    rich_ = true;
    RecountAll();
}

void DocumentBytes::ForgetOrigins() {
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next())
        if (LineData* d = DataOf(b))
            d->origin = -1;
    RecountAll();
}

void DocumentBytes::SetEncoding(TextEncoding e) {
    ConvertPlain();
    encoding_ = e;
    bytesUsable_ = bytesUsable_ && e == file_.encoding;
    RecountAll();
}

void DocumentBytes::Adopt(TextEncoding e) {
    SetEncoding(e);
}

void DocumentBytes::ReplaceEscapes() {
    if (!HasEscapes())
        return;
    QTextCursor c(doc_);
    c.beginEditBlock();
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) {
        const QString text = b.text();
        if (!HasByteEscapes(text))
            continue;
        c.setPosition(b.position());
        c.setPosition(b.position() + b.length() - 1, QTextCursor::KeepAnchor);
        c.insertText(WithoutEscapes(text, encoding_));
    }
    c.endEditBlock();
    doc_->clearUndoRedoStacks();
}

qsizetype DocumentBytes::Bytes() const {
    const ByteTotals& t = *totals_;
    qsizetype n =
        (t.misfits > 0 ? t.utf8 + plain_.utf8 : t.bytes + plain_.bytes) + t.ends + plain_.ends;
    const QTextBlock last = doc_->lastBlock();
    int line;
    if (const LineData* d = DataOf(last))
        n -= d->end; // the last line has no line end
    else if (IsPlain(last, &line))
        n -= LineEndLength(EndOf(line), encoding_);
    return n;
}

bool DocumentBytes::Fits() const {
    return totals_->misfits == 0;
}

bool DocumentBytes::HasEscapes() const {
    return totals_->escapes + plain_.escapes > 0;
}

TextEncoding DocumentBytes::SearchEncoding() const {
    if ((encoding_ == TextEncoding::Cp932 || encoding_ == TextEncoding::EucJp) && Fits())
        return encoding_;
    return TextEncoding::Utf8;
}

QByteArray DocumentBytes::Encode(bool keepEscapes, TextEncoding* used) const {
    const TextEncoding target = Fits() ? encoding_ : TextEncoding::Utf8;
    const bool own = target == encoding_ && bytesUsable_;
    QByteArray out;
    out.reserve(Bytes() + 4);
    if (own)
        out += file_.bytes.left(file_.bomSize); // the BOM as read
    else if (target == encoding_)
        out += BomBytes(target);
    const char* base = file_.bytes.constData();
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) {
        int line;
        const bool plain = IsPlain(b, &line);
        const int origin = plain ? line : OriginOf(b, -1);
        const QString text = own && plain ? QString() : b.text();
        if (own && (plain || Reads(origin, text))) {
            const LineSpan l = file_.Line(origin);
            out.append(base + l.start, l.length);
        } else {
            QString t = target == encoding_ || keepEscapes ? text : WithoutEscapes(text, encoding_);
            if (rich_) // \line: a line break in plain text
                t.replace(QChar::LineSeparator,
                          QString::fromLatin1(LineEndBytes(defaultEnd_, TextEncoding::Utf8)));
            EncodeLine(t, target, &out);
        }
        if (b.next().isValid())
            out += LineEndBytes(EndOf(origin), target);
    }
    if (used)
        *used = target;
    return out;
}

} // namespace editor

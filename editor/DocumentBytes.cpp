#include "editor/DocumentBytes.h"

#include <QTextBlock>
#include <QTextDocument>

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
    if (origin >= 0 && size_t(origin) < file_.lines.size() &&
        file_.lines[size_t(origin)].end != LineEnd::None)
        return file_.lines[size_t(origin)].end;
    return defaultEnd_;
}

void DocumentBytes::Recount(QTextBlock block) {
    LineData* d = DataOf(block);
    if (!d) {
        d = new LineData;
        d->totals = totals_;
        block.setUserData(d);
    } else {
        d->add(-1);
    }
    QString text = block.text();
    if (!file_.lines.empty() && (d->origin < 0 || !Reads(d->origin, text))) {
        const int line = Resolve(block, text);
        if (line >= 0)
            d->origin = line;
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
    if (line < 0 || size_t(line) >= file_.lines.size())
        return false;
    const LineSpan& l = file_.lines[size_t(line)];
    return DecodeLine(file_.bytes.constData() + l.start, l.length, file_.encoding) == text;
}

int DocumentBytes::Resolve(const QTextBlock& block, const QString& text) const {
    // A block Qt made anew (a line split off, a line back by undo) is still the line it
    // reads as when that is the line after the one above it or before the one below it.
    if (file_.lines.empty())
        return -1;
    const QTextBlock before = block.previous(), after = block.next();
    const LineData* p = before.isValid() ? DataOf(before) : nullptr;
    const int above = before.isValid() ? (p ? p->origin : -2) : -1;
    if (above >= -1 && Reads(above + 1, text))
        return above + 1;
    const LineData* n = after.isValid() ? DataOf(after) : nullptr;
    if (n && n->origin > 0 && Reads(n->origin - 1, text))
        return n->origin - 1;
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
    QTextBlock b = doc_->findBlock(position);
    const QTextBlock last = doc_->findBlock(qMin(position + added, doc_->characterCount() - 1));
    while (b.isValid()) {
        Recount(b);
        if (b == last)
            break;
        b = b.next();
    }
}

void DocumentBytes::LoadPlain(PlainFile file, const std::function<void(const QString&)>& setText) {
    file_ = std::move(file);
    encoding_ = file_.encoding;
    bytesUsable_ = true;
    rich_ = false;
    defaultEnd_ = file_.firstEnd == LineEnd::None ? LineEnd::Lf : file_.firstEnd;
    // What each line counts is known while it is decoded: its bytes are the file's (a
    // line decodes and encodes back to them), the rest is measured on its text here.
    struct Measure {
        qsizetype utf8, escapes;
    };
    std::vector<Measure> measures;
    measures.reserve(file_.lines.size());
    QString text;
    text.reserve(file_.bytes.size());
    for (size_t i = 0; i < file_.lines.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        const LineSpan& l = file_.lines[i];
        const QString line = DecodeLine(file_.bytes.constData() + l.start, l.length, encoding_);
        const bool utf8 = encoding_ == TextEncoding::Utf8 || encoding_ == TextEncoding::Utf8Bom;
        measures.push_back(
            {utf8 ? l.length : EncodedLength(line, TextEncoding::Utf8), CountEscapes(line)});
        text += line;
    }
    loading_ = true;
    setText(text);
    loading_ = false;
    text.clear();
    if (size_t(doc_->blockCount()) != file_.lines.size()) { // a text Qt cut otherwise
        for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next())
            Attach(b, -1);
        return;
    }
    int i = 0;
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next(), ++i) {
        auto* d = new LineData;
        d->totals = totals_;
        d->origin = i;
        d->bytes = file_.lines[size_t(i)].length;
        d->utf8 = measures[size_t(i)].utf8;
        d->end = LineEndLength(EndOf(i), encoding_);
        d->escapes = measures[size_t(i)].escapes;
        d->add(+1);
        b.setUserData(d);
    }
}

void DocumentBytes::RecountAll() {
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next())
        Recount(b);
}

void DocumentBytes::ResetNew() {
    file_ = PlainFile();
    file_.lines.clear();
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
    encoding_ = e;
    bytesUsable_ = bytesUsable_ && e == file_.encoding;
    RecountAll();
}

void DocumentBytes::Adopt(TextEncoding e) {
    SetEncoding(e);
}

qsizetype DocumentBytes::Bytes() const {
    const ByteTotals& t = *totals_;
    qsizetype n = (t.misfits > 0 ? t.utf8 : t.bytes) + t.ends;
    if (const LineData* d = DataOf(doc_->lastBlock()))
        n -= d->end; // the last line has no line end
    return n;
}

bool DocumentBytes::Fits() const {
    return totals_->misfits == 0;
}

bool DocumentBytes::HasEscapes() const {
    return totals_->escapes > 0;
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
        const QString text = b.text();
        const LineData* d = DataOf(b);
        const int origin = d ? d->origin : -1;
        if (own && Reads(origin, text)) {
            const LineSpan& l = file_.lines[size_t(origin)];
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

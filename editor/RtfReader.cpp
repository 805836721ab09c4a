// Our own RTF reader: the subset word processors write for running text. One pass over
// the bytes with a bounded group stack, so any input takes linear time and memory.
#include "editor/DocumentFiles.h"

#include "platform/CodePage.h"

#include <QColor>
#include <QHash>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVector>

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <string_view>

namespace editor {

namespace {

constexpr int kMaxDepth = 100;     // deeper groups are stepped over
constexpr int kMaxWordLength = 32; // longer control words are cut (and so unknown)

enum class Dest { Text, Skip, FontTable, ColorTable };

struct GroupState {
    Dest dest = Dest::Text;
    bool bold = false, italic = false, underline = false, strike = false;
    bool assocBold = false, assocItalic = false, doubleByte = false;
    int halfPoints = 0; // 0: the edit box's own size
    int color = 0;      // 0: automatic
    int font = -1;      // -1: the document's default font
    int uc = 1;         // fallback characters after \uN
    // The associated font and size (\af, \afs) that word processors give the text of
    // a \dbch run, the double-byte characters.
    int assocHalfPoints = 0;
    int assocFont = -1;
};

struct FontEntry {
    QString name;
    int charset = 0;
    int codePage = 0; // \cpg: wins over the character set; 0 when not given
};

// The Windows code page behind a font's \fcharset; 0 for the document's own (\ansicpg).
int CharsetCodePage(int charset) {
    switch (charset) {
    case 77:
        return 10000; // Mac Roman
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    case 2: // symbol fonts: their bytes are glyph numbers, shown as Windows-1252
        return 1252;
    default:
        return 0;
    }
}

// What a control word does (kWords, below, finds it by the word).
enum class Word : uint8_t {
    FontTable, // destinations we read
    ColorTable,
    Skipped, // destinations that hold nothing to show
    Shown,   // known under \*: their group's text is shown
    Char,    // arg: the character
    Paragraph,
    Unicode,     // \uN
    UnicodeSkip, // \ucN
    Flag,        // arg: an index into kFlags
    UnderlineNone,
    HalfPoints, // arg 0: \fs, 1: \afs
    Font,       // arg 0: \f, 1: \af
    Color,
    DoubleByte, // arg: on or off
    Plain,
    DefaultFont,
    AnsiCodePage,
    CodePage, // arg: the page
    Binary,
    ColorPart, // arg: 0 red, 1 green, 2 blue
    FontCharset,
    FontCodePage,
};

struct WordEntry {
    std::string_view word;
    Word kind;
    int arg = 0;
};

enum FlagIndex { kBold, kItalic, kAssocBold, kAssocItalic, kUnderline, kStrike };
constexpr bool GroupState::*kFlags[] = {&GroupState::bold,      &GroupState::italic,
                                        &GroupState::assocBold, &GroupState::assocItalic,
                                        &GroupState::underline, &GroupState::strike};

class Reader {
public:
    Reader(const QByteArray& rtf, QTextDocument* doc) : in_(rtf), cursor_(doc) {}

    bool run(QString* error);

private:
    GroupState& st() { return stack_.last(); }
    void pushGroup();
    void popGroup();
    void escape();
    void controlWord(const QByteArray& word, bool hasParam, int param);
    void colorTableWord(const WordEntry& e, int param);
    void fontTableWord(const WordEntry& e, int param);
    void textWord(const WordEntry& e, bool hasParam, int param);
    void skipBinary(int param);
    void controlSymbol(char c);
    void textChar(char16_t c); // a character for the current destination
    void codePageByte(unsigned char b);
    void flushBytes();
    bool leadBytePending() const;
    void flushText();
    void paragraph();
    int codePage() const;
    QTextCharFormat currentFormat();

    const QByteArray& in_;
    qsizetype pos_ = 0;
    QTextCursor cursor_;
    QVector<GroupState> stack_;
    int skippedDepth_ = 0; // groups open beyond kMaxDepth
    int fallbackLeft_ = 0; // characters still to skip after \uN
    QByteArray bytes_;     // \'hh bytes waiting to be decoded together
    bool midChar_ = false; // bytes_ ends inside a double-byte character
    QString run_;          // text waiting to be inserted with runFormat_
    QTextCharFormat runFormat_;
    const QTextBlockFormat blockFormat_;
    bool formatDirty_ = true;
    bool pendingPar_ = false; // a \par not yet followed by anything
    bool anyText_ = false;
    bool sawIgnorable_ = false; // \* seen in this group before its first control word
    bool firstInGroup_ = false;
    // Tables.
    QHash<int, FontEntry> fonts_;
    int fontEntry_ = -1;
    QString fontName_;
    QVector<QColor> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSet_ = false;
    int defaultFont_ = -1;
    int ansiCodePage_ = 1252;
    QString warning_;
};

void Reader::pushGroup() {
    flushBytes();
    if (stack_.size() >= kMaxDepth) {
        ++skippedDepth_;
        if (warning_.isEmpty())
            warning_ = QStringLiteral("RTF の入れ子が深すぎるため、一部を読み飛ばしました");
        return;
    }
    stack_.append(stack_.isEmpty() ? GroupState() : stack_.last());
    firstInGroup_ = true;
    sawIgnorable_ = false;
}

void Reader::popGroup() {
    flushBytes();
    fallbackLeft_ = 0;
    if (skippedDepth_ > 0) {
        --skippedDepth_;
        return;
    }
    if (stack_.isEmpty())
        return;
    const Dest closing = st().dest;
    if (closing == Dest::FontTable && fontEntry_ >= 0 && stack_.size() >= 2 &&
        stack_.at(stack_.size() - 2).dest == Dest::FontTable) {
        // A font entry in its own group ends with the group when its ";" is missing.
        if (!fontName_.isEmpty() && fonts_.value(fontEntry_).name.isEmpty())
            fonts_[fontEntry_].name = fontName_.trimmed();
    }
    stack_.removeLast();
    formatDirty_ = true;
}

int Reader::codePage() const {
    if (!stack_.isEmpty()) {
        const GroupState& s = stack_.last();
        // Font names are in their own font's character set.
        int f = s.dest == Dest::FontTable ? fontEntry_ : s.font;
        if (f < 0)
            f = defaultFont_;
        const auto it = fonts_.constFind(f);
        if (it != fonts_.constEnd()) {
            const int page = it->codePage > 0 ? it->codePage : CharsetCodePage(it->charset);
            if (page > 0 && platform::codePageKnown(page))
                return page;
        }
    }
    return ansiCodePage_;
}

// True when the waiting bytes end in the first byte of a double-byte character.
bool Reader::leadBytePending() const {
    return midChar_;
}

void Reader::flushBytes() {
    if (bytes_.isEmpty())
        return;
    const QString text = platform::decodeCodePage(bytes_, codePage());
    bytes_.clear();
    midChar_ = false;
    for (const QChar c : text)
        textChar(c.unicode());
}

void Reader::codePageByte(unsigned char b) {
    if (fallbackLeft_ > 0) {
        --fallbackLeft_;
        return;
    }
    if (st().dest == Dest::Skip || st().dest == Dest::ColorTable)
        return;
    bytes_.append(char(b));
    midChar_ = !midChar_ && platform::isLeadByte(codePage(), b);
}

QTextCharFormat Reader::currentFormat() {
    const GroupState& s = st();
    QTextCharFormat f;
    if (s.bold || (s.doubleByte && s.assocBold))
        f.setFontWeight(QFont::Bold);
    if (s.italic || (s.doubleByte && s.assocItalic))
        f.setFontItalic(true);
    if (s.underline)
        f.setFontUnderline(true);
    if (s.strike)
        f.setFontStrikeOut(true);
    const int halfPoints = s.doubleByte && s.assocHalfPoints > 0 ? s.assocHalfPoints : s.halfPoints;
    if (halfPoints > 0)
        f.setFontPointSize(halfPoints / 2.0);
    if (s.color > 0 && s.color < colors_.size() && colors_.at(s.color).isValid())
        f.setForeground(colors_.at(s.color));
    int font = s.font >= 0 ? s.font : defaultFont_;
    if (s.doubleByte && fonts_.contains(s.assocFont))
        font = s.assocFont;
    const auto it = fonts_.constFind(font);
    if (it != fonts_.constEnd() && !it->name.isEmpty())
        f.setFontFamilies({it->name});
    return f;
}

void Reader::flushText() {
    if (run_.isEmpty())
        return;
    cursor_.insertText(run_, runFormat_);
    run_.clear();
}

void Reader::paragraph() {
    flushBytes();
    if (stack_.isEmpty() || st().dest != Dest::Text || skippedDepth_ > 0)
        return;
    if (pendingPar_) {
        flushText();
        cursor_.insertBlock(blockFormat_, runFormat_);
    }
    pendingPar_ = true;
    anyText_ = true;
}

void Reader::textChar(char16_t c) {
    if (fallbackLeft_ > 0) {
        --fallbackLeft_;
        return;
    }
    if (skippedDepth_ > 0 || stack_.isEmpty())
        return;
    switch (st().dest) {
    case Dest::Skip:
        return;
    case Dest::ColorTable:
        if (c == u';') {
            colors_.append(colorSet_ ? QColor(red_, green_, blue_) : QColor());
            red_ = green_ = blue_ = 0;
            colorSet_ = false;
        }
        return;
    case Dest::FontTable:
        if (c == u';') {
            if (fontEntry_ >= 0)
                fonts_[fontEntry_].name = fontName_.trimmed();
            fontName_.clear();
        } else if (fontName_.size() < 256) {
            fontName_ += QChar(c);
        }
        return;
    case Dest::Text:
        break;
    }
    if (pendingPar_) {
        flushText();
        cursor_.insertBlock(blockFormat_, runFormat_);
        pendingPar_ = false;
    }
    if (formatDirty_) {
        const QTextCharFormat f = currentFormat();
        if (f != runFormat_) {
            flushText();
            runFormat_ = f;
        }
        formatDirty_ = false;
    }
    run_ += QChar(c);
    anyText_ = true;
}

void Reader::controlSymbol(char c) {
    switch (c) {
    case '\\':
    case '{':
    case '}':
        flushBytes();
        textChar(char16_t(c));
        break;
    case '~':
        flushBytes();
        textChar(0x00A0);
        break;
    case '_':
        flushBytes();
        textChar(0x2011);
        break;
    case '-': // optional hyphen: nothing to show
        break;
    case '*':
        sawIgnorable_ = true;
        break;
    case '\n':
    case '\r':
        paragraph();
        break;
    default:
        break;
    }
}

constexpr WordEntry kWords[] = {
    {"ab", Word::Flag, kAssocBold},
    {"af", Word::Font, 1},
    {"afs", Word::HalfPoints, 1},
    {"aftncn", Word::Skipped},
    {"aftnsep", Word::Skipped},
    {"aftnsepc", Word::Skipped},
    {"ai", Word::Flag, kAssocItalic},
    {"annotation", Word::Skipped},
    {"ansicpg", Word::AnsiCodePage},
    {"atnauthor", Word::Skipped},
    {"atnid", Word::Skipped},
    {"b", Word::Flag, kBold},
    {"background", Word::Skipped},
    {"bin", Word::Binary},
    {"bkmkend", Word::Skipped},
    {"bkmkstart", Word::Skipped},
    {"blue", Word::ColorPart, 2},
    {"bullet", Word::Char, 0x2022},
    {"cell", Word::Char, u'\t'},
    {"cf", Word::Color},
    {"colorschememapping", Word::Skipped},
    {"colortbl", Word::ColorTable},
    {"cpg", Word::FontCodePage},
    {"datastore", Word::Skipped},
    {"dbch", Word::DoubleByte, 1},
    {"deff", Word::DefaultFont},
    {"docvar", Word::Skipped},
    {"emdash", Word::Char, 0x2014},
    {"emspace", Word::Char, 0x2003},
    {"endash", Word::Char, 0x2013},
    {"enspace", Word::Char, 0x2002},
    {"f", Word::Font, 0},
    {"falt", Word::Skipped},
    {"fchars", Word::Skipped},
    {"fcharset", Word::FontCharset},
    {"filetbl", Word::Skipped},
    {"fldinst", Word::Skipped},
    {"fldrslt", Word::Shown},
    {"fname", Word::Skipped},
    {"fonttbl", Word::FontTable},
    {"footer", Word::Skipped},
    {"footerf", Word::Skipped},
    {"footerl", Word::Skipped},
    {"footerr", Word::Skipped},
    {"footnote", Word::Skipped},
    {"fs", Word::HalfPoints, 0},
    {"ftncn", Word::Skipped},
    {"ftnsep", Word::Skipped},
    {"ftnsepc", Word::Skipped},
    {"generator", Word::Skipped},
    {"green", Word::ColorPart, 1},
    {"header", Word::Skipped},
    {"headerf", Word::Skipped},
    {"headerl", Word::Skipped},
    {"headerr", Word::Skipped},
    {"hich", Word::DoubleByte, 0},
    {"i", Word::Flag, kItalic},
    {"info", Word::Skipped},
    {"latentstyles", Word::Skipped},
    {"lchars", Word::Skipped},
    {"ldblquote", Word::Char, 0x201C},
    {"line", Word::Char, QChar::LineSeparator},
    {"listoverridetable", Word::Skipped},
    {"listtable", Word::Skipped},
    {"loch", Word::DoubleByte, 0},
    {"lquote", Word::Char, 0x2018},
    {"mac", Word::CodePage, 10000},
    {"mmathPr", Word::Skipped},
    {"nestcell", Word::Char, u'\t'},
    {"nestrow", Word::Paragraph},
    {"nesttableprops", Word::Shown}, // a nested row's properties end with its \nestrow
    {"nonesttables", Word::Skipped}, // what readers without nested tables show
    {"nonshppict", Word::Skipped},
    {"object", Word::Skipped},
    {"panose", Word::Skipped},
    {"par", Word::Paragraph},
    {"pc", Word::CodePage, 437},
    {"pca", Word::CodePage, 850},
    {"pgdsctbl", Word::Skipped},
    {"pict", Word::Skipped},
    {"plain", Word::Plain},
    {"pn", Word::Skipped},
    {"pntext", Word::Skipped},
    {"protusertbl", Word::Skipped},
    {"qmspace", Word::Char, 0x2005},
    {"rdblquote", Word::Char, 0x201D},
    {"red", Word::ColorPart, 0},
    {"revtbl", Word::Skipped},
    {"row", Word::Paragraph},
    {"rquote", Word::Char, 0x2019},
    {"rsidtbl", Word::Skipped},
    {"shpinst", Word::Skipped},
    {"shppict", Word::Shown},
    {"sp", Word::Skipped},
    {"strike", Word::Flag, kStrike},
    {"striked", Word::Flag, kStrike},
    {"stylesheet", Word::Skipped},
    {"tab", Word::Char, u'\t'},
    {"template", Word::Skipped},
    {"themedata", Word::Skipped},
    {"u", Word::Unicode},
    {"uc", Word::UnicodeSkip},
    {"ul", Word::Flag, kUnderline},
    {"uld", Word::Flag, kUnderline},
    {"uldash", Word::Flag, kUnderline},
    {"uldb", Word::Flag, kUnderline},
    {"ulnone", Word::UnderlineNone},
    {"ulth", Word::Flag, kUnderline},
    {"ulw", Word::Flag, kUnderline},
    {"ulwave", Word::Flag, kUnderline},
    {"userprops", Word::Skipped},
    {"wgrffmtfilter", Word::Skipped},
    {"xmlnstbl", Word::Skipped},
    {"xmlopen", Word::Skipped},
};
static_assert(std::is_sorted(std::begin(kWords), std::end(kWords),
                             [](const WordEntry& a, const WordEntry& b) {
                                 return a.word < b.word;
                             }));

const WordEntry* FindWord(const QByteArray& w) {
    const std::string_view key(w.constData(), size_t(w.size()));
    const auto it =
        std::lower_bound(std::begin(kWords), std::end(kWords), key,
                         [](const WordEntry& e, std::string_view k) { return e.word < k; });
    return it != std::end(kWords) && it->word == key ? it : nullptr;
}

void Reader::skipBinary(int param) {
    // Binary data: its bytes are not RTF.
    pos_ += std::clamp<qsizetype>(param, 0, in_.size() - pos_);
}

void Reader::controlWord(const QByteArray& w, bool hasParam, int param) {
    flushBytes();
    const bool first = firstInGroup_;
    firstInGroup_ = false;
    if (skippedDepth_ > 0 || stack_.isEmpty())
        return;
    const WordEntry* e = FindWord(w);
    if (e && e->kind == Word::Unicode)
        fallbackLeft_ = 0; // a new \uN ends the last one's fallback
    if (fallbackLeft_ > 0) {
        // A control word stands for one fallback character.
        --fallbackLeft_;
        return;
    }
    GroupState& s = st();
    // Destinations: tables we read, and those that hold nothing to show.
    if (e && (e->kind == Word::FontTable || e->kind == Word::ColorTable)) {
        s.dest = e->kind == Word::FontTable ? Dest::FontTable : Dest::ColorTable;
        return;
    }
    if (s.dest == Dest::Skip) {
        if (e && e->kind == Word::Binary)
            skipBinary(param);
        return;
    }
    // \*\word we do not know: the whole group is meant to be ignored.
    if ((e && e->kind == Word::Skipped) ||
        (first && sawIgnorable_ && !(e && e->kind == Word::Shown))) {
        s.dest = Dest::Skip;
        return;
    }
    if (!e)
        return;
    if (s.dest == Dest::ColorTable)
        colorTableWord(*e, param);
    else if (s.dest == Dest::FontTable)
        fontTableWord(*e, param);
    else
        textWord(*e, hasParam, param);
}

void Reader::colorTableWord(const WordEntry& e, int param) {
    if (e.kind != Word::ColorPart)
        return;
    int* const parts[] = {&red_, &green_, &blue_};
    *parts[e.arg] = qBound(0, param, 255);
    colorSet_ = true;
}

void Reader::fontTableWord(const WordEntry& e, int param) {
    switch (e.kind) {
    case Word::Font:
        if (e.arg == 0) {
            fontEntry_ = param;
            fontName_.clear();
        }
        break;
    case Word::FontCharset:
        if (fontEntry_ >= 0)
            fonts_[fontEntry_].charset = param;
        break;
    case Word::FontCodePage:
        if (fontEntry_ >= 0)
            fonts_[fontEntry_].codePage = param;
        break;
    case Word::Unicode:
    case Word::UnicodeSkip:
        textWord(e, true, param);
        break;
    default:
        break;
    }
}

void Reader::textWord(const WordEntry& e, bool hasParam, int param) {
    GroupState& s = st();
    const int on = hasParam ? param : 1;
    switch (e.kind) {
    case Word::Char:
        textChar(char16_t(e.arg));
        return;
    case Word::Paragraph:
        paragraph();
        return;
    case Word::Unicode:
        textChar(char16_t(param)); // negative values are the upper half of 16 bits
        fallbackLeft_ = s.uc;
        return;
    case Word::UnicodeSkip:
        s.uc = qBound(0, param, 16);
        return;
    case Word::Flag:
        s.*kFlags[e.arg] = on != 0;
        break;
    case Word::UnderlineNone:
        s.underline = false;
        break;
    case Word::HalfPoints:
        // Half points; Qt's fonts and the edit box take up to a few thousand points.
        (e.arg ? s.assocHalfPoints : s.halfPoints) = hasParam ? qBound(2, param, 3276) : 24;
        break;
    case Word::Font:
        (e.arg ? s.assocFont : s.font) = param;
        break;
    case Word::Color:
        s.color = qMax(0, param);
        break;
    case Word::DoubleByte:
        s.doubleByte = e.arg != 0;
        break;
    case Word::Plain: {
        const GroupState keep = s;
        s = GroupState();
        s.dest = keep.dest;
        s.uc = keep.uc;
        break;
    }
    case Word::DefaultFont:
        defaultFont_ = param;
        return;
    case Word::AnsiCodePage:
        // A code page nobody here can read is read as the usual one.
        ansiCodePage_ = platform::codePageKnown(param) ? param : 1252;
        return;
    case Word::CodePage:
        ansiCodePage_ = e.arg;
        return;
    case Word::Binary:
        skipBinary(param);
        return;
    default:
        return;
    }
    formatDirty_ = true;
}

// After a backslash: a code page byte (\'hh), a control symbol or a control word.
void Reader::escape() {
    const char* d = in_.constData();
    const qsizetype size = in_.size();
    if (pos_ >= size)
        return;
    const char n = d[pos_];
    if (n == '\'') {
        // \'hh: one byte of the current code page.
        ++pos_;
        int v = 0, digits = 0;
        while (digits < 2 && pos_ < size && isxdigit(static_cast<unsigned char>(d[pos_]))) {
            const char h = d[pos_++];
            v = v * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
            ++digits;
        }
        if (digits > 0)
            codePageByte(static_cast<unsigned char>(v));
        return;
    }
    if (!isalpha(static_cast<unsigned char>(n))) {
        ++pos_;
        controlSymbol(n);
        return;
    }
    const qsizetype wordStart = pos_;
    while (pos_ < size && isalpha(static_cast<unsigned char>(d[pos_])))
        ++pos_;
    const QByteArray word(d + wordStart, qMin<qsizetype>(pos_ - wordStart, kMaxWordLength));
    bool hasParam = false, negative = false;
    qint64 value = 0;
    if (pos_ < size && d[pos_] == '-' && pos_ + 1 < size &&
        isdigit(static_cast<unsigned char>(d[pos_ + 1]))) {
        negative = true;
        ++pos_;
    }
    while (pos_ < size && isdigit(static_cast<unsigned char>(d[pos_]))) {
        if (value < 100000000000LL)
            value = value * 10 + (d[pos_] - '0');
        hasParam = true;
        ++pos_;
    }
    if (negative)
        value = -value;
    value = std::clamp<qint64>(value, INT_MIN, INT_MAX);
    if (pos_ < size && d[pos_] == ' ')
        ++pos_; // the delimiting space belongs to the control word
    controlWord(word, hasParam, int(value));
}

bool Reader::run(QString* error) {
    const char* d = in_.constData();
    const qsizetype size = in_.size();
    // Leading white space aside, an RTF document begins with "{\rtf".
    qsizetype start = 0;
    while (start < size &&
           (d[start] == ' ' || d[start] == '\r' || d[start] == '\n' || d[start] == '\t'))
        ++start;
    if (size - start < 5 || memcmp(d + start, "{\\rtf", 5) != 0) {
        if (error)
            *error = QStringLiteral("RTF 形式の文書ではありません");
        return false;
    }
    pos_ = start;
    cursor_.beginEditBlock();
    bool ended = false;
    while (pos_ < size && !ended) {
        const char c = d[pos_++];
        switch (c) {
        case '{':
            pushGroup();
            break;
        case '}':
            popGroup();
            if (stack_.isEmpty() && skippedDepth_ == 0)
                ended = true; // the document's group is closed
            break;
        case '\\':
            escape();
            break;
        case '\r':
        case '\n':
            break;
        default:
            if (stack_.isEmpty())
                break; // text after the document's group
            firstInGroup_ = false;
            if (static_cast<unsigned char>(c) >= 0x80 || leadBytePending()) {
                // Unescaped code page bytes: a double-byte character may end in ASCII.
                codePageByte(static_cast<unsigned char>(c));
                break;
            }
            flushBytes();
            textChar(char16_t(static_cast<unsigned char>(c)));
            break;
        }
    }
    flushBytes();
    flushText();
    cursor_.endEditBlock();
    if (!ended && warning_.isEmpty())
        warning_ = QStringLiteral("RTF 文書が途中で切れています");
    if (error)
        *error = warning_;
    return true;
}

} // namespace

bool ReadRtf(const QByteArray& rtf, QTextDocument* doc, QString* error) {
    doc->clear();
    // A load is no step to undo, and recording each insertion would double its cost.
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    Reader reader(rtf, doc);
    const bool ok = reader.run(error);
    doc->setUndoRedoEnabled(undo);
    return ok;
}

} // namespace editor

// Our own RTF reader: the subset word processors write for running text. One pass over
// the bytes with a bounded group stack, so any input takes linear time and memory.
#include "editor/DocumentFiles.h"

#include "platform/CodePage.h"

#include <QColor>
#include <QHash>
#include <QSet>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVector>

#include <algorithm>
#include <climits>
#include <cstring>

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

class Reader {
public:
    Reader(const QByteArray& rtf, QTextDocument* doc) : in_(rtf), cursor_(doc) {}

    bool run(QString* error);

private:
    GroupState& st() { return stack_.last(); }
    void pushGroup();
    void popGroup();
    void controlWord(const QByteArray& word, bool hasParam, int param);
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

void Reader::controlWord(const QByteArray& w, bool hasParam, int param) {
    flushBytes();
    const bool first = firstInGroup_;
    firstInGroup_ = false;
    if (skippedDepth_ > 0 || stack_.isEmpty())
        return;
    GroupState& s = st();
    if (w == "u")
        fallbackLeft_ = 0; // a new \uN ends the last one's fallback
    if (fallbackLeft_ > 0) {
        // A control word stands for one fallback character.
        --fallbackLeft_;
        return;
    }
    const int on = hasParam ? param : 1;

    // Destinations: tables we read, and those that hold nothing to show.
    if (w == "fonttbl") {
        s.dest = Dest::FontTable;
        return;
    }
    if (w == "colortbl") {
        s.dest = Dest::ColorTable;
        return;
    }
    if (s.dest == Dest::Skip) {
        if (w == "bin")
            pos_ += std::clamp<qsizetype>(param, 0, in_.size() - pos_);
        return;
    }
    static const QSet<QByteArray> skipped = {
        "stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf", "footer",
        "footerl", "footerr", "footerf", "footnote", "annotation", "object", "fldinst", "themedata",
        "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "listtable",
        "listoverridetable", "rsidtbl", "generator", "pgdsctbl", "nonshppict", "shpinst",
        "bkmkstart", "bkmkend", "filetbl", "revtbl", "xmlopen", "mmathPr", "userprops", "atnid",
        "atnauthor", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "template",
        "pn", "pntext", "sp", "fchars", "lchars", "falt", "panose", "fname", "protusertbl",
        "docvar", "wgrffmtfilter", "background",
        // what readers without nested tables show
        "nonesttables"};
    if (skipped.contains(w)) {
        s.dest = Dest::Skip;
        return;
    }
    if (first && sawIgnorable_) {
        // \*\word we do not know: the whole group is meant to be ignored.
        // The properties of a nested row end with \nestrow, which ends the row's paragraph.
        const bool known = w == "fldrslt" || w == "shppict" || w == "nesttableprops";
        if (!known) {
            s.dest = Dest::Skip;
            return;
        }
    }

    if (s.dest == Dest::ColorTable) {
        if (w == "red")
            red_ = qBound(0, param, 255), colorSet_ = true;
        else if (w == "green")
            green_ = qBound(0, param, 255), colorSet_ = true;
        else if (w == "blue")
            blue_ = qBound(0, param, 255), colorSet_ = true;
        return;
    }
    if (s.dest == Dest::FontTable) {
        if (w == "f") {
            fontEntry_ = param;
            fontName_.clear();
        } else if (w == "fcharset" && fontEntry_ >= 0) {
            fonts_[fontEntry_].charset = param;
        } else if (w == "cpg" && fontEntry_ >= 0) {
            fonts_[fontEntry_].codePage = param;
        } else if (w == "u") {
            textChar(char16_t(param));
            fallbackLeft_ = s.uc;
        } else if (w == "uc") {
            s.uc = qBound(0, param, 16);
        }
        return;
    }

    static const QHash<QByteArray, char16_t> symbols = {
        {"endash", 0x2013},  {"emdash", 0x2014},    {"bullet", 0x2022},    {"lquote", 0x2018},
        {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"enspace", 0x2002},
        {"emspace", 0x2003}, {"qmspace", 0x2005}};
    if (const auto sym = symbols.constFind(w); sym != symbols.constEnd()) {
        textChar(*sym);
    } else if (w == "par" || w == "row" || w == "nestrow") {
        paragraph();
    } else if (w == "line") {
        textChar(QChar::LineSeparator);
    } else if (w == "tab" || w == "cell" || w == "nestcell") {
        textChar(u'\t');
    } else if (w == "u") {
        textChar(char16_t(param)); // negative values are the upper half of 16 bits
        fallbackLeft_ = s.uc;
    } else if (w == "uc") {
        s.uc = qBound(0, param, 16);
    } else if (w == "b") {
        s.bold = on != 0, formatDirty_ = true;
    } else if (w == "i") {
        s.italic = on != 0, formatDirty_ = true;
    } else if (w == "ab") {
        s.assocBold = on != 0, formatDirty_ = true;
    } else if (w == "ai") {
        s.assocItalic = on != 0, formatDirty_ = true;
    } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" ||
               w == "ulth" || w == "ulwave") {
        s.underline = on != 0, formatDirty_ = true;
    } else if (w == "ulnone") {
        s.underline = false, formatDirty_ = true;
    } else if (w == "strike" || w == "striked") {
        s.strike = on != 0, formatDirty_ = true;
    } else if (w == "fs") {
        // Half points; Qt's fonts and the edit box take up to a few thousand points.
        s.halfPoints = hasParam ? qBound(2, param, 3276) : 24, formatDirty_ = true;
    } else if (w == "afs") {
        s.assocHalfPoints = hasParam ? qBound(2, param, 3276) : 24, formatDirty_ = true;
    } else if (w == "af") {
        s.assocFont = param, formatDirty_ = true;
    } else if (w == "cf") {
        s.color = qMax(0, param), formatDirty_ = true;
    } else if (w == "f") {
        s.font = param, formatDirty_ = true;
    } else if (w == "dbch") {
        s.doubleByte = true, formatDirty_ = true;
    } else if (w == "loch" || w == "hich") {
        s.doubleByte = false, formatDirty_ = true;
    } else if (w == "plain") {
        const GroupState keep = s;
        s = GroupState();
        s.dest = keep.dest;
        s.uc = keep.uc;
        formatDirty_ = true;
    } else if (w == "deff") {
        defaultFont_ = param;
    } else if (w == "ansicpg") {
        // A code page nobody here can read is read as the usual one.
        ansiCodePage_ = platform::codePageKnown(param) ? param : 1252;
    } else if (w == "mac") {
        ansiCodePage_ = 10000;
    } else if (w == "pc") {
        ansiCodePage_ = 437;
    } else if (w == "pca") {
        ansiCodePage_ = 850;
    } else if (w == "bin") {
        // Binary data: its bytes are not RTF.
        const qsizetype n = std::clamp<qsizetype>(param, 0, in_.size() - pos_);
        pos_ += n;
    }
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
        case '\\': {
            if (pos_ >= size)
                break;
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
                break;
            }
            if (!isalpha(static_cast<unsigned char>(n))) {
                ++pos_;
                controlSymbol(n);
                break;
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
            break;
        }
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

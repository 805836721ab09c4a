#include "core/SettingsFile.h"

#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Identity of the file's current version: device, inode, size, modification time.
void fileStamp(const QString& path, int64_t out[4]) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        out[0] = out[1] = out[2] = out[3] = -1;
        return;
    }
    out[0] = int64_t(st.st_ino);
    out[1] = int64_t(st.st_size);
    out[2] = int64_t(st.st_mtim.tv_sec);
    out[3] = int64_t(st.st_mtim.tv_nsec);
}

// "[name]" with optional spaces around; returns the trimmed name or a null string.
QString sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (t.size() >= 2 && t.front() == QLatin1Char('[')) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        if (close > 0)
            return t.mid(1, close - 1).trimmed();
    }
    return QString();
}

bool isSectionLine(const QString& line) {
    return !sectionName(line).isNull();
}

// Values that a plain "key=value" line cannot carry are stored as @Esc(...): inside the
// parentheses "\\" is a backslash, "\xHH" a character below 0x80 or, from 0x80 up, the
// file-name byte HH that is not UTF-8 (platform/FsName's reserved code point), and
// "\uHHHH" any other UTF-16 unit. The prefix is one nobody types by hand, and a
// stored text that is not exactly this form reads as the plain text it is.
const QString kEscapeOpen = QStringLiteral("@Esc(");
constexpr QChar kEscapeClose = u')';
constexpr char16_t kFsByteBase = 0xDC00;

bool isLowSurrogateAlone(const QString& s, qsizetype i) {
    return s.at(i).isLowSurrogate() && !(i > 0 && s.at(i - 1).isHighSurrogate());
}
bool isHighSurrogateAlone(const QString& s, qsizetype i) {
    return s.at(i).isHighSurrogate() && !(i + 1 < s.size() && s.at(i + 1).isLowSurrogate());
}

// Characters that would break the line, vanish in UTF-8, or that editors take as a
// line end.
bool mustEscape(const QString& s, qsizetype i) {
    const char16_t c = s.at(i).unicode();
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           isLowSurrogateAlone(s, i) || isHighSurrogateAlone(s, i);
}

bool needsEscape(const QString& value) {
    if (value.isEmpty())
        return false;
    // Reading trims the value, and a text that starts like the escape form would be
    // taken for one.
    if (value.front().isSpace() || value.back().isSpace() || value.startsWith(kEscapeOpen))
        return true;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (mustEscape(value, i))
            return true;
    }
    return false;
}

QString hex(uint v, int width) {
    return QStringLiteral("%1").arg(v, width, 16, QLatin1Char('0')).toUpper();
}

QString storedForm(const QString& value) {
    if (!needsEscape(value))
        return value;
    QString out = kEscapeOpen;
    out.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        const char16_t u = c.unicode();
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (u >= kFsByteBase + 0x80 && u <= kFsByteBase + 0xFF &&
                 isLowSurrogateAlone(value, i))
            out += QStringLiteral("\\x") + hex(u - kFsByteBase, 2);
        else if (u < 0x20 || u == 0x7F)
            out += QStringLiteral("\\x") + hex(u, 2);
        else if (mustEscape(value, i))
            out += QStringLiteral("\\u") + hex(u, 4);
        else
            out += c;
    }
    out += kEscapeClose;
    return out;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// digits hexadecimal digits at s[at], all before end.
bool hexAt(const QString& s, qsizetype at, qsizetype end, int digits, uint* out) {
    if (at + digits > end)
        return false;
    uint v = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = hexDigit(s.at(at + i));
        if (d < 0)
            return false;
        v = v * 16 + uint(d);
    }
    *out = v;
    return true;
}

// The value of a stored text: the escape form decoded, anything else as it stands.
QString valueOf(const QString& stored) {
    if (!stored.startsWith(kEscapeOpen) || !stored.endsWith(kEscapeClose))
        return stored;
    const qsizetype end = stored.size() - 1;
    QString out;
    out.reserve(end - kEscapeOpen.size());
    for (qsizetype i = kEscapeOpen.size(); i < end; ++i) {
        const QChar c = stored.at(i);
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (i + 1 >= end)
            return stored;
        const QChar kind = stored.at(i + 1);
        uint v = 0;
        if (kind == QLatin1Char('\\')) {
            out += kind;
            i += 1;
        } else if (kind == QLatin1Char('x') && hexAt(stored, i + 2, end, 2, &v)) {
            out += QChar(char16_t(v < 0x80 ? v : kFsByteBase + v));
            i += 3;
        } else if (kind == QLatin1Char('u') && hexAt(stored, i + 2, end, 4, &v)) {
            out += QChar(char16_t(v));
            i += 5;
        } else {
            return stored; // not our form after all: a hand-written text
        }
    }
    return out;
}

} // namespace

SettingsFile::SettingsFile() : path_(platform::settingsFilePath()) {}
SettingsFile::SettingsFile(const QString& path) : path_(path) {}

void SettingsFile::refresh() const {
    int64_t now[4];
    fileStamp(path_, now);
    if (loaded_ && std::equal(now, now + 4, stamp_))
        return;
    lines_.clear();
    crlf_ = false;
    QFile f(path_);
    // A FIFO or a device in the file's place would block the read: only a regular file.
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) == 0 && S_ISREG(st.st_mode) &&
        f.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = f.readAll();
        crlf_ = bytes.contains("\r\n");
        QString text = platform::decodeText(bytes);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        lines_ = text.split(QLatin1Char('\n'));
        if (!lines_.isEmpty() && lines_.last().isEmpty())
            lines_.removeLast();
    }
    std::copy(now, now + 4, stamp_);
    loaded_ = true;
}

bool SettingsFile::findKey(const QString& section, const QString& key, qsizetype* sectionLine,
                           qsizetype* keyLine) const {
    *sectionLine = -1;
    *keyLine = -1;
    const QString wantSection = section.trimmed();
    const QString wantKey = key.trimmed();
    bool inSection = false;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const QString& line = lines_.at(i);
        const QString name = sectionName(line);
        if (!name.isNull()) {
            if (inSection)
                return false; // the first matching section is the one used
            inSection = name.compare(wantSection, Qt::CaseInsensitive) == 0;
            if (inSection)
                *sectionLine = i;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (QStringView(line).left(eq).trimmed().compare(wantKey, Qt::CaseInsensitive) == 0) {
            *keyLine = i;
            return true;
        }
    }
    return false;
}

QString SettingsFile::ReadString(const QString& section, const QString& key,
                                 const QString& def) const {
    refresh();
    qsizetype s, k;
    if (!findKey(section, key, &s, &k))
        return def;
    const QString& line = lines_.at(k);
    // Read whole, however long: a path cut short would name another file.
    return valueOf(line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed());
}

int SettingsFile::ParseInteger(const QString& text, int def) {
    const QString t = text.trimmed();
    bool ok = false;
    if (t.size() > 2 && (t.startsWith(QLatin1String("0x")) || t.startsWith(QLatin1String("0X")))) {
        const QString digits = t.mid(2);
        if (digits.size() > 8 || digits.startsWith(QLatin1Char('+')) ||
            digits.startsWith(QLatin1Char('-')))
            return def;
        const uint v = digits.toUInt(&ok, 16);
        return ok ? int(v) : def;
    }
    const int v = t.toInt(&ok, 10);
    return ok ? v : def;
}

int SettingsFile::ReadInteger(const QString& section, const QString& key, int def) const {
    refresh();
    qsizetype s, k;
    if (!findKey(section, key, &s, &k))
        return def;
    return ParseInteger(ReadString(section, key, QString()), def);
}

bool SettingsFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void SettingsFile::WriteString(const QString& section, const QString& key, const QString& value) {
    refresh();
    QStringList lines = lines_;
    const QString stored = storedForm(value);
    const QString entry = key + QLatin1Char('=') + stored;
    qsizetype s, k;
    if (findKey(section, key, &s, &k)) {
        const QString& old = lines.at(k);
        lines[k] = old.left(old.indexOf(QLatin1Char('='))).trimmed() + QLatin1Char('=') + stored;
    } else if (s >= 0) {
        // After the section's last non-empty line.
        qsizetype end = s + 1;
        while (end < lines.size() && !isSectionLine(lines.at(end)))
            ++end;
        qsizetype insertAt = end;
        while (insertAt > s + 1 && lines.at(insertAt - 1).trimmed().isEmpty())
            --insertAt;
        lines.insert(insertAt, entry);
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QString());
        lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines.append(entry);
    }

    const QString eol = crlf_ ? QStringLiteral("\r\n") : QStringLiteral("\n");
    const QByteArray bytes = (lines.join(eol) + eol).toUtf8();
    const QByteArray target = QFile::encodeName(path_);
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    // A read-only settings file stays untouched, although its folder would allow
    // replacing it (and even for root, whom access() would let through).
    if (exists && ((st.st_mode & S_IWUSR) == 0 || ::access(target.constData(), W_OK) != 0))
        throw EWriteError(path_);

    const QString dir = QFileInfo(path_).absolutePath();
    if (!QFileInfo::exists(dir))
        QDir().mkpath(dir); // the per-user config folder on a first run
    QByteArray tmp = target + ".tmp-XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        throw EWriteError(path_);
    bool ok = true;
    qsizetype done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += n;
    }
    if (ok)
        ok = ::fsync(fd) == 0;
    if (ok)
        ok = ::fchmod(fd, exists ? (st.st_mode & 07777) : 0644) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(tmp.constData(), target.constData()) == 0;
    if (!ok) {
        ::unlink(tmp.constData());
        throw EWriteError(path_);
    }
    lines_ = lines;
    fileStamp(path_, stamp_);
    loaded_ = true;
}

void SettingsFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void SettingsFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

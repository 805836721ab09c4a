#include "core/SettingsFile.h"
#include "platform/UniqueFd.h"

#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/FsName.h"
#include "platform/TextCodec.h"

#include "outside/files/TempFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
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

bool decodesWholly(const QByteArray& bytes, QString* text) {
    if (platform::isValidUtf8(bytes)) {
        *text = QString::fromUtf8(bytes);
        return true;
    }
    *text = platform::decodeCp932(bytes);
    return !text->contains(QChar::ReplacementCharacter);
}

// The file's lines. A file that decodes wholly as UTF-8 or as CP932 is read as a whole; a
// file of mixed lines (hand-edited, or joined from two sources) is read line by line, a
// line that neither decodes keeping its bytes in the file-name escape form, and raw gets
// every line's own bytes, so a line nobody changed is written back exactly as it was.
QStringList decodeLines(const QByteArray& bytes, bool crlf, QList<QByteArray>* raw) {
    QString text;
    QStringList lines;
    if (decodesWholly(bytes, &text)) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        lines = text.split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    QList<QByteArray> parts = bytes.split('\n');
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    for (QByteArray& part : parts) {
        if (crlf && part.endsWith('\r'))
            part.chop(1);
        QString line;
        if (!decodesWholly(part, &line))
            line = platform::fromFsBytes(part);
        lines.append(line);
        raw->append(part);
    }
    return lines;
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
    raw_.clear();
    crlf_ = false;
    QFile f(path_);
    // A FIFO or a device in the file's place would block the read: only a regular file.
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) == 0 && S_ISREG(st.st_mode) &&
        f.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = f.readAll();
        crlf_ = bytes.contains("\r\n");
        lines_ = decodeLines(bytes, crlf_, &raw_);
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

namespace {

using Fd = platform::UniqueFd;

// The file a write replaces: the settings file, or the target of a link of that name.
QByteArray writeTarget(const QByteArray& path) {
    struct stat st;
    if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    Fd target{::open(path.constData(), O_PATH | O_CLOEXEC)};
    char real[PATH_MAX + 1];
    const QByteArray proc = "/proc/self/fd/" + QByteArray::number(target.fd);
    const ssize_t n = target.fd < 0 ? -1 : ::readlink(proc.constData(), real, PATH_MAX);
    return n > 0 ? QByteArray(real, n) : path; // a dangling link is replaced by the file
}

} // namespace

void SettingsFile::WriteString(const QString& section, const QString& key, const QString& value) {
    zelmo_catch_file_size_signal(); // a file over ulimit -f fails with EFBIG, reported
    const QByteArray target = writeTarget(QFile::encodeName(path_));
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
    const QByteArray name = target.mid(slash + 1);
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    // A read-only settings file stays untouched, although its folder would allow
    // replacing it (and even for root, whom access() would let through).
    if (exists && ((st.st_mode & S_IWUSR) == 0 || ::access(target.constData(), W_OK) != 0))
        throw EWriteError(path_);
    if (!exists && !QFileInfo::exists(QFile::decodeName(folder)))
        QDir().mkpath(QFile::decodeName(folder)); // the per-user config folder on a first run
    // Each write is one key: two programs writing at once must not lose each other's keys,
    // so the file is read again and replaced under a lock on its folder (no lock file
    // beside the program). Where the folder cannot be locked (NFS) it is written unlocked.
    Fd dir{::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0)
        throw EWriteError(path_);
    while (::flock(dir.fd, LOCK_EX) != 0 && errno == EINTR)
        ;
    loaded_ = false;
    refresh();

    QStringList lines = lines_;
    QList<QByteArray> raw = raw_;
    const QString stored = storedForm(value);
    const QString entry = key + QLatin1Char('=') + stored;
    qsizetype s, k;
    if (findKey(section, key, &s, &k)) {
        const QString& old = lines.at(k);
        lines[k] = old.left(old.indexOf(QLatin1Char('='))).trimmed() + QLatin1Char('=') + stored;
        if (!raw.isEmpty())
            raw[k] = QByteArray();
    } else if (s >= 0) {
        // After the section's last non-empty line.
        qsizetype end = s + 1;
        while (end < lines.size() && !isSectionLine(lines.at(end)))
            ++end;
        qsizetype insertAt = end;
        while (insertAt > s + 1 && lines.at(insertAt - 1).trimmed().isEmpty())
            --insertAt;
        lines.insert(insertAt, entry);
        if (!raw.isEmpty())
            raw.insert(insertAt, QByteArray());
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) {
            lines.append(QString());
            if (!raw.isEmpty())
                raw.append(QByteArray(""));
        }
        lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines.append(entry);
        if (!raw.isEmpty())
            raw << QByteArray() << QByteArray();
    }

    const QByteArray eol = crlf_ ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    QByteArray bytes;
    for (qsizetype i = 0; i < lines.size(); ++i)
        bytes += (i < raw.size() && !raw.at(i).isNull() ? raw.at(i) : lines.at(i).toUtf8()) + eol;

    zelmo_remove_stale_temps(dir.fd);
    ZelmoTempFile t;
    // Named, not unnamed: the settings file is replaced by a rename over its name.
    int err = zelmo_temp_create(dir.fd, 0, 0600, &t);
    if (err)
        throw EWriteError(path_);
    err = zelmo_write_all(t.fd, bytes.constData(), size_t(bytes.size()));
    if (!err && ::fchmod(t.fd, exists ? (st.st_mode & 07777) : 0644) != 0)
        err = errno;
    zelmo_write_step("sync");
    if (!err && ::fsync(t.fd) != 0)
        err = errno;
    if (!err)
        err = zelmo_temp_replace(&t, name.constData());
    const int closeErr = zelmo_temp_close(&t);
    if (err || closeErr)
        throw EWriteError(path_);
    ::fsync(dir.fd);
    lines_ = lines;
    raw_ = raw;
    fileStamp(path_, stamp_);
    loaded_ = true;
}

void SettingsFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void SettingsFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

#include "core/SettingsFile.h"
#include "core/SettingsImage.h"
#include "platform/UniqueFd.h"

#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/SafeWrite.h"

#include "base/TempFile.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads the whole regular file at dir/name (dir AT_FDCWD: a path): 0 with its bytes, the
// descriptor and its fstat; ENOENT when there is none, EINVAL for a FIFO, a device or a
// folder there (whose read could block), EIO for fewer bytes than fstat gives, or the
// errno value of the failed call.
int readWhole(int dir, const QByteArray& name, QByteArray* bytes, platform::UniqueFd* fd,
              struct stat* st) {
    if (const int fault = zelmo_write_step("read"))
        return fault;
    fd->reset(::openat(dir, name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd->fd < 0)
        return errno;
    if (::fstat(fd->fd, st) != 0)
        return errno;
    if (!S_ISREG(st->st_mode))
        return EINVAL;
    if (st->st_size > off_t(std::numeric_limits<qsizetype>::max() / 2))
        return EFBIG;
    bytes->resize(qsizetype(st->st_size));
    qsizetype done = 0;
    while (done < bytes->size()) {
        if (const int fault = zelmo_write_step("read"))
            return fault;
        const ssize_t n = ::read(fd->fd, bytes->data() + done, size_t(bytes->size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO; // shorter than it said: not the whole file
        done += n;
    }
    return 0;
}

bool sameVersion(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
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

struct SettingsFile::Loaded {
    SettingsImage image;
    // The version it came from: held open, so its inode cannot be reused.
    std::shared_ptr<platform::UniqueFd> version;
    struct stat st {};
};

namespace {

// One lock for every accessor: they share what they read.
std::recursive_mutex gLock;
// The file last read or written, by path: the next accessor of it starts from there.
QString gPath;
std::shared_ptr<SettingsFile::Loaded> gLast;

} // namespace

std::shared_ptr<SettingsFile::Loaded> SettingsFile::shared(const struct stat& st) const {
    if (gLast && gPath == path_ && sameVersion(gLast->st, st))
        return gLast;
    return nullptr;
}

void SettingsFile::share() const {
    gPath = path_;
    gLast = loaded_;
}

void SettingsFile::adopt(QByteArray bytes, platform::UniqueFd* fd, const struct stat& st) const {
    loaded_ = std::make_shared<Loaded>();
    loaded_->image = SettingsImage(std::move(bytes));
    loaded_->version = std::make_shared<platform::UniqueFd>(std::move(*fd));
    loaded_->st = st;
    share();
}

void SettingsFile::refresh() const {
    const QByteArray path = QFile::encodeName(path_);
    struct stat now {};
    if (::stat(path.constData(), &now) == 0) {
        if (loaded_ && sameVersion(now, loaded_->st))
            return;
        if (auto known = shared(now)) {
            loaded_ = std::move(known);
            return;
        }
    }
    QByteArray bytes;
    platform::UniqueFd fd;
    struct stat st {};
    // What cannot be read reads as empty: the defaults. A write never replaces it (it
    // reads again and fails the same way).
    if (readWhole(AT_FDCWD, path, &bytes, &fd, &st) != 0) {
        loaded_.reset();
        return;
    }
    adopt(std::move(bytes), &fd, st);
}

bool SettingsFile::readString(const QString& section, const QString& key, QString* value) const {
    refresh();
    QString stored;
    if (!loaded_ || !loaded_->image.stored(section, key, &stored))
        return false;
    *value = valueOf(stored);
    return true;
}

QString SettingsFile::ReadString(const QString& section, const QString& key,
                                 const QString& def) const {
    std::lock_guard<std::recursive_mutex> hold(gLock);
    QString value;
    return readString(section, key, &value) ? value : def;
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
    std::lock_guard<std::recursive_mutex> hold(gLock);
    QString value;
    return readString(section, key, &value) ? ParseInteger(value, def) : def;
}

bool SettingsFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

namespace {

using Fd = platform::UniqueFd;

// The folder (held open) and name of the file a write replaces: the settings file, or the
// target of a link of that name where the editor's save would follow it. A dangling link
// is replaced by the file; a folder missing on a first run is made. False: refused.
bool writeTarget(const QByteArray& path, Fd* dir, QByteArray* name) {
    int err = platform::locateWriteTarget(path, dir, name);
    if (err == ENOENT) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash > 0 && QDir().mkpath(QFile::decodeName(path.left(slash))))
            err = platform::locateWriteTarget(path, dir, name);
    }
    return err == 0 || err == ENOLINK;
}

} // namespace

void SettingsFile::WriteString(const QString& section, const QString& key, const QString& value) {
    std::lock_guard<std::recursive_mutex> hold(gLock);
    zelmo_catch_file_size_signal(); // a file over ulimit -f fails with EFBIG, reported
    Fd dir;
    QByteArray name;
    if (!writeTarget(QFile::encodeName(path_), &dir, &name))
        throw EWriteError(path_);
    // Each write is one key: two programs writing at once must not lose each other's keys,
    // so the file is taken as it is now and replaced under a lock on its folder (no lock
    // file beside the program). Where the folder cannot be locked (NFS) it is written
    // unlocked.
    while (::flock(dir.fd, LOCK_EX) != 0 && errno == EINTR)
        ;
    struct stat st {};
    const int statErr =
        ::fstatat(dir.fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
    if (statErr && statErr != ENOENT)
        throw EWriteError(path_);
    const bool exists = !statErr && !S_ISLNK(st.st_mode); // a dangling link is replaced
    // A read-only settings file stays untouched, although its folder would allow
    // replacing it (and even for root, whom access() would let through).
    if (exists && ((st.st_mode & S_IWUSR) == 0 ||
                   ::faccessat(dir.fd, name.constData(), W_OK, AT_EACCESS) != 0))
        throw EWriteError(path_);
    if (!exists) {
        loaded_.reset(); // only a missing file is made anew
    } else if (!(loaded_ && sameVersion(st, loaded_->st)) && !(loaded_ = shared(st))) {
        // Read again; what cannot be read whole is never replaced.
        QByteArray bytes;
        Fd fd;
        struct stat readSt {};
        if (readWhole(dir.fd, name, &bytes, &fd, &readSt) != 0 || !sameVersion(readSt, st))
            throw EWriteError(path_);
        adopt(std::move(bytes), &fd, readSt);
    }

    // The file's bytes with one span changed: written in three parts, nothing re-encoded.
    // A file (or what the write would make) wholly in CP932 is made UTF-8 as a whole, once.
    const QString stored = storedForm(value);
    SettingsImage recoded;
    const bool recode =
        loaded_ && loaded_->image.needsRecodeAfter(loaded_->image.plan(section, key, stored));
    if (recode)
        recoded = SettingsImage(loaded_->image.recoded());
    const SettingsImage& base = recode || !loaded_ ? recoded : loaded_->image;
    const SettingsImage::Splice sp = base.plan(section, key, stored);
    const QByteArray& old = base.bytes();
    const qsizetype tail = sp.at + sp.removed;

    zelmo_remove_stale_temps(dir.fd);
    ZelmoTempFile t;
    // Named, not unnamed: the settings file is replaced by a rename over its name.
    int err = zelmo_temp_create(dir.fd, 0, 0600, &t);
    if (err)
        throw EWriteError(path_);
    err = zelmo_write_all(t.fd, old.constData(), size_t(sp.at));
    if (!err)
        err = zelmo_write_all(t.fd, sp.inserted.constData(), size_t(sp.inserted.size()));
    if (!err)
        err = zelmo_write_all(t.fd, old.constData() + tail, size_t(old.size() - tail));
    if (!err && ::fchmod(t.fd, exists ? (st.st_mode & 07777) : 0644) != 0)
        err = errno;
    if (!err)
        err = zelmo_write_step("sync");
    if (!err && ::fsync(t.fd) != 0)
        err = errno;
    // The new version, kept open so the next write knows it without reading it.
    Fd written(err ? -1 : ::fcntl(t.fd, F_DUPFD_CLOEXEC, 0));
    if (!err)
        err = zelmo_temp_replace(&t, name.constData());
    const int closeErr = zelmo_temp_close(&t);
    if (err || closeErr) {
        loaded_.reset();
        throw EWriteError(path_);
    }
    ::fsync(dir.fd);
    struct stat now {};
    if (written.fd < 0 || ::fstat(written.fd, &now) != 0) {
        loaded_.reset(); // read again next time
        return;
    }
    // Every accessor sharing the old version now holds the new one, as the disk does.
    if (!loaded_)
        loaded_ = std::make_shared<Loaded>(); // a new file, from recoded's empty image
    if (&base == &recoded)
        loaded_->image = std::move(recoded);
    loaded_->image.apply(sp);
    loaded_->version = std::make_shared<Fd>(std::move(written));
    loaded_->st = now;
    share();
}

void SettingsFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void SettingsFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

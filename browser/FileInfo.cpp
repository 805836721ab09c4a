#include "browser/FileInfo.h"

#include "platform/DirReader.h"
#include "platform/FsName.h"
#include "platform/TextCodec.h"
#include "platform/UniqueFd.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace browser {

namespace {

constexpr size_t kRecordsPerBlock = 4096;
constexpr size_t kNameBlockSize = 64 * 1024;
constexpr int kHeldDepth = 48;

const std::array<unsigned char, 256> kFold = [] {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[size_t(i)] = (i >= 'a' && i <= 'z') ? (unsigned char)(i - 32) : (unsigned char)i;
    return t;
}();

// The sort of the old list class: Hoare partition around the middle element. The
// smaller part is sorted by recursion and the larger by the loop, which bounds the stack
// and leaves exactly the same order as recursing into the left part first.
template <class Less, class Greater>
void quickSort(TFileInfo** a, ptrdiff_t L, ptrdiff_t R, Less less, Greater greater) {
    while (L < R) {
        ptrdiff_t i = L, j = R;
        const TFileInfo* p = a[(L + R) >> 1];
        do {
            while (less(*a[i], *p))
                ++i;
            while (greater(*a[j], *p))
                --j;
            if (i <= j) {
                std::swap(a[i], a[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - L < R - i) {
            if (L < j)
                quickSort(a, L, j, less, greater);
            L = i;
        } else {
            if (i < R)
                quickSort(a, i, R, less, greater);
            R = j;
        }
    }
}

template <int (*Cmp)(const TFileInfo&, const TFileInfo&)>
void sortBy(std::vector<TFileInfo*>& items) {
    if (items.size() < 2)
        return;
    quickSort(
        items.data(), 0, ptrdiff_t(items.size()) - 1,
        [](const TFileInfo& x, const TFileInfo& y) { return Cmp(x, y) < 0; },
        [](const TFileInfo& x, const TFileInfo& y) { return Cmp(x, y) > 0; });
}

} // namespace

int CompareAsciiFolded(const char* a, int alen, const char* b, int blen) {
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    const int n = alen < blen ? alen : blen;
    for (int i = 0; i < n; ++i) {
        if (x[i] != y[i]) {
            const int d = int(kFold[x[i]]) - int(kFold[y[i]]);
            if (d != 0)
                return d;
        }
    }
    return alen - blen;
}

int CompareByName(const TFileInfo& a, const TFileInfo& b) {
    return CompareAsciiFolded(a.NameBytes(), a.NameLength(), b.NameBytes(), b.NameLength());
}

int CompareByDir(const TFileInfo& a, const TFileInfo& b) {
    const TDirInfo& da = a.DirInfo();
    const TDirInfo& db = b.DirInfo();
    if (&da != &db) {
        const int d = CompareAsciiFolded(da.bytes.constData(), int(da.bytes.size()),
                                         db.bytes.constData(), int(db.bytes.size()));
        if (d != 0)
            return d;
    }
    return CompareByName(a, b);
}

int CompareByExt(const TFileInfo& a, const TFileInfo& b) {
    const int d = CompareAsciiFolded(a.ExtBytes(), a.ExtLength(), b.ExtBytes(), b.ExtLength());
    return d != 0 ? d : CompareByName(a, b);
}

int CompareBySize(const TFileInfo& a, const TFileInfo& b) {
    if (a.Size != b.Size)
        return a.Size < b.Size ? -1 : 1;
    return CompareByName(a, b);
}

int CompareByTime(const TFileInfo& a, const TFileInfo& b) {
    // Compared as unsigned packed values: chronological also past 2043, where the
    // packed value no longer fits a signed difference.
    const uint32_t ta = uint32_t(a.Time), tb = uint32_t(b.Time);
    if (ta != tb)
        return ta < tb ? -1 : 1;
    return CompareByName(a, b);
}

QString TFileInfo::Name() const {
    return utf8_ ? QString::fromUtf8(name_, nameLen_) : platform::fromFsBytes(name_, nameLen_);
}

QString TFileInfo::Ext() const {
    return platform::fromFsBytes(name_ + extPos_, nameLen_ - extPos_);
}

QString TFileInfo::DisplayName() const {
    return utf8_ ? QString::fromUtf8(name_, nameLen_)
                 : platform::decodeCp932(QByteArray(name_, nameLen_));
}

struct TFileInfoList::Arena {
    std::vector<std::unique_ptr<TFileInfo[]>> records;
    size_t recordsUsed = kRecordsPerBlock; // of the last block
    std::vector<std::unique_ptr<char[]>> names;
    size_t namesUsed = kNameBlockSize; // of the last block
    std::vector<std::unique_ptr<TDirInfo>> dirs;
    size_t dirBytes = 0;
};

struct TFileInfoList::SubtreeScan {
    QElapsedTimer sinceEvents;
    uint64_t generation = 0;
    std::shared_ptr<bool> alive;
    PackedTimeCache times;
};

TFileInfoList::TFileInfoList()
    : arena_(std::make_unique<Arena>()), alive_(std::make_shared<bool>(true)) {}

TFileInfoList::~TFileInfoList() {
    *alive_ = false;
    Clear();
}

void TFileInfoList::Clear() {
    items_.clear();
    arena_ = std::make_unique<Arena>();
    ++generation_;
}

void TFileInfoList::SetDirectory(const QString& dir, SeenSubdirs* seen) {
    if (dir.isEmpty() && directory_.isEmpty())
        return;
    directory_ = dir;
    Rescan(dir, seen);
    Sort();
}

void TFileInfoList::SetMask(const QString& mask) {
    mask_ = platform::WildcardMask(mask);
    Rescan(directory_);
    Sort();
}

void TFileInfoList::SetSortOrder(TSortOrder order) {
    if (order == sortOrder_)
        return;
    sortOrder_ = order;
    Sort();
}

void TFileInfoList::Rescan(const QString& dir, SeenSubdirs* seen) {
    Clear();
    fileCount_ = 0;
    totalSize_ = 0;
    ScanDirectory(dir, seen);
}

void TFileInfoList::ScanDirectory(const QString& dir, SeenSubdirs* seen) {
    const TDirInfo* d = addDir(platform::toFsBytes(WithTrailingBackslash(dir)));
    platform::DirReader reader;
    if (reader.open(d->bytes) != 0)
        return;
    PackedTimeCache times;
    scanDir(d, reader, times, nullptr, seen);
}

void TFileInfoList::ScanSubtree(const QString& dir) {
    auto alive = alive_;
    SubtreeScan scan;
    scan.sinceEvents.start();
    scan.generation = generation_;
    scan.alive = alive;
    ++scanDepth_;
    scanSubtree(platform::toFsBytes(WithTrailingBackslash(dir)), nullptr, 0, scan);
    if (*alive)
        --scanDepth_;
}

void TFileInfoList::ScanTree(const QString& root) {
    auto alive = alive_;
    fileCount_ = 0;
    totalSize_ = 0;
    ScanSubtree(root);
    if (*alive)
        Sort();
}

void TFileInfoList::Sort() {
    switch (sortOrder_) {
    case soDirectory:
        sortBy<CompareByDir>(items_);
        break;
    case soName:
        sortBy<CompareByName>(items_);
        break;
    case soExt:
        sortBy<CompareByExt>(items_);
        break;
    case soSize:
        sortBy<CompareBySize>(items_);
        break;
    case soTime:
        sortBy<CompareByTime>(items_);
        break;
    }
}

size_t TFileInfoList::MemoryUsed() const {
    return arena_->records.size() * kRecordsPerBlock * sizeof(TFileInfo) +
           arena_->names.size() * kNameBlockSize + arena_->dirBytes +
           items_.capacity() * sizeof(TFileInfo*);
}

const TDirInfo* TFileInfoList::addDir(QByteArray bytes) {
    auto d = std::make_unique<TDirInfo>();
    d->path = platform::fromFsBytes(bytes);
    d->bytes = std::move(bytes);
    arena_->dirBytes += sizeof(TDirInfo) + size_t(d->bytes.size()) * 3 + 64;
    arena_->dirs.push_back(std::move(d));
    return arena_->dirs.back().get();
}

TFileInfo* TFileInfoList::allocRecord() {
    Arena& a = *arena_;
    if (a.recordsUsed == kRecordsPerBlock) {
        a.records.push_back(std::make_unique<TFileInfo[]>(kRecordsPerBlock));
        a.recordsUsed = 0;
    }
    return &a.records.back()[a.recordsUsed++];
}

const char* TFileInfoList::storeName(const char* name, int length) {
    Arena& a = *arena_;
    if (a.namesUsed + size_t(length) > kNameBlockSize) {
        a.names.push_back(std::make_unique_for_overwrite<char[]>(kNameBlockSize));
        a.namesUsed = 0;
    }
    char* p = a.names.back().get() + a.namesUsed;
    std::memcpy(p, name, size_t(length));
    a.namesUsed += size_t(length);
    return p;
}

// One pass over a directory: records for the matching files, and, when subdirs is
// given, the directories to enter afterwards (no dot-directories, no symbolic links).
// Only matching entries and entries of unknown type cost a stat.
void TFileInfoList::scanDir(const TDirInfo* dir, platform::DirReader& reader,
                            PackedTimeCache& times, std::vector<QByteArray>* subdirs,
                            SeenSubdirs* seen) {
    platform::RawEntry e;
    platform::EntryStat st;
    auto addSubdir = [&] {
        QByteArray sub;
        sub.reserve(dir->bytes.size() + e.nameLength + 1);
        sub.append(dir->bytes).append(e.name, e.nameLength).append('/');
        subdirs->push_back(std::move(sub));
    };
    // What the directory tree would find reading the folder itself.
    auto noteSeen = [&](bool link) {
        seen->names.append(platform::fromFsBytes(e.name, e.nameLength));
        if (link)
            seen->links.insert(seen->names.last());
    };
    while (reader.next(e)) {
        const bool dotName = e.name[0] == '.';
        if (e.type == platform::EntryType::Directory) {
            if (subdirs && !dotName)
                addSubdir();
            if (seen && !dotName)
                noteSeen(false);
            continue;
        }
        if (!mask_.matches(e.name, e.nameLength)) {
            if (subdirs && !dotName && e.type == platform::EntryType::Unknown &&
                reader.stat(e, st) && st.isDir && !st.isSymlink)
                addSubdir();
            bool link = false;
            if (seen && !dotName && reader.isDirectory(e, &link))
                noteSeen(link);
            continue;
        }
        if (e.nameLength > 0xFFFF || !reader.stat(e, st))
            continue;
        if (st.isDir) {
            if (subdirs && !dotName && !st.isSymlink)
                addSubdir();
            if (seen && !dotName)
                noteSeen(st.isSymlink);
            continue;
        }
        TFileInfo* r = allocRecord();
        r->dir_ = dir;
        r->nameLen_ = uint16_t(e.nameLength);
        r->name_ = storeName(e.name, int(e.nameLength));
        const void* dot = memrchr(e.name, '.', size_t(e.nameLength));
        r->extPos_ = dot ? uint16_t(static_cast<const char*>(dot) - e.name) : r->nameLen_;
        r->utf8_ = platform::isValidUtf8(e.name, e.nameLength);
        r->Size = st.size;
        r->Time = times.Pack(st.mtimeSec);
        uint32_t attr = 0;
        if (dotName)
            attr |= faHidden;
        if (!st.writable)
            attr |= faReadOnly;
        if (st.isRegular)
            attr |= faArchive;
        else
            attr |= faSysFile;
        r->Attr = attr;
        items_.push_back(r);
        ++fileCount_;
        totalSize_ += st.size;
    }
    if (seen)
        seen->complete = true;
}

// A folder of the scan held open for opening its subfolders, and what identifies it.
struct TFileInfoList::HeldFolder {
    platform::UniqueFd fd;
    dev_t dev = 0;
    ino_t ino = 0;
};

// Depth first; returns false when the scan has to stop because the list was cleared
// or destroyed while pending events ran. Every folder is opened relative to its parent's
// descriptor, never by a path (which a deep tree makes longer than PATH_MAX). The first
// kHeldDepth levels stay open while their subfolders are scanned; a deeper folder lets
// its parent go while it is scanned and opens it again as its own ".." (the same folder
// by device and inode, else the parent's remaining subfolders are left), so a tree of
// any depth holds about kHeldDepth descriptors.
bool TFileInfoList::scanSubtree(const QByteArray& dirBytes, HeldFolder* parent, int depth,
                                SubtreeScan& scan) {
    const TDirInfo* dir = addDir(dirBytes);
    HeldFolder self;
    std::vector<QByteArray> subdirs;
    {
        platform::DirReader reader;
        int err;
        if (parent) {
            const qsizetype end = dirBytes.size() - 1; // before the trailing "/"
            const qsizetype start = dirBytes.lastIndexOf('/', end - 1) + 1;
            err = reader.openAt(parent->fd.fd, dirBytes.mid(start, end - start).constData(),
                                dirBytes);
        } else {
            err = reader.open(dirBytes, depth > 0);
        }
        if (err != 0)
            return true;
        struct stat st;
        self.fd.reset(::fstat(reader.fd(), &st) == 0 ? ::fcntl(reader.fd(), F_DUPFD_CLOEXEC, 0)
                                                     : -1);
        self.dev = st.st_dev;
        self.ino = st.st_ino;
        scanDir(dir, reader, scan.times, &subdirs);
    } // the reader and its buffer go: only the descriptor is held below
    const bool letParentGo = parent && depth >= kHeldDepth;
    if (letParentGo)
        parent->fd.reset(-1);
    for (const QByteArray& sub : subdirs) {
        if (self.fd.fd < 0)
            break; // lost on the way back from a subfolder: moved meanwhile
        if (!scanSubtree(sub, &self, depth + 1, scan))
            return false;
        if (eventIntervalMs_ < 0 || !QCoreApplication::instance())
            continue;
        if (eventIntervalMs_ > 0 && scan.sinceEvents.elapsed() < eventIntervalMs_)
            continue;
        if (progress_)
            progress_(platform::fromFsBytes(sub.left(sub.size() - 1)), fileCount_);
        QCoreApplication::processEvents();
        if (!*scan.alive || generation_ != scan.generation)
            return false;
        scan.sinceEvents.restart();
    }
    if (letParentGo && self.fd.fd >= 0) {
        parent->fd.reset(::openat(self.fd.fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st;
        if (parent->fd.fd >= 0 && (::fstat(parent->fd.fd, &st) != 0 || st.st_dev != parent->dev ||
                                   st.st_ino != parent->ino))
            parent->fd.reset(-1);
    }
    return true;
}

} // namespace browser

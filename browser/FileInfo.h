#pragma once
// File records and the list that owns them: one directory, or a directory and every
// directory below it, scanned with one wildcard mask, counted and sorted by one key.
#include "browser/FileFormat.h"
#include "platform/WildcardMask.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform {
class DirReader;
}

namespace browser {

// Ordinals are stored in the settings file and used by the header clicks.
enum TSortOrder { soDirectory = 0, soName = 1, soExt = 2, soSize = 3, soTime = 4 };

// One scanned directory, shared by its records. Both forms end in "/" (or are empty
// for the current directory).
struct TDirInfo {
    QByteArray bytes; // the directory as the file system knows it
    QString path;     // the same, as kept by platform::fromFsBytes
};

// One file. Its name lives in the owning list's name storage as the raw bytes the
// file system reported, so a name that is not UTF-8 still reaches the same file.
class TFileInfo {
public:
    int64_t Size = 0;  // bytes
    int32_t Time = 0;  // local time packed as a DOS date/time, 0 when not convertible
    uint32_t Attr = 0; // faReadOnly, faHidden, faSysFile, faArchive

    QString Dir() const { return dir_->path; } // ends in "/"
    QString Name() const;                      // maps back to the same bytes
    QString Ext() const;                       // from the last "." on; empty without one
    QString Path() const { return Dir() + Name(); }
    QString DisplayName() const; // for the user: a name that is not UTF-8 decoded as CP932

    QByteArray PathBytes() const { return dir_->bytes + QByteArray(name_, nameLen_); }
    const char* NameBytes() const { return name_; }
    int NameLength() const { return nameLen_; }
    const char* ExtBytes() const { return name_ + extPos_; }
    int ExtLength() const { return nameLen_ - extPos_; }
    const TDirInfo& DirInfo() const { return *dir_; }
    bool NameIsUtf8() const { return utf8_; }

private:
    friend class TFileInfoList;
    const TDirInfo* dir_ = nullptr;
    const char* name_ = nullptr;
    uint16_t nameLen_ = 0;
    uint16_t extPos_ = 0; // == nameLen_ when there is no extension
    bool utf8_ = true;
};

// Byte comparison with only a-z folded to A-Z; the first differing bytes decide as
// unsigned values, else the shorter text comes first.
int CompareAsciiFolded(const char* a, int alen, const char* b, int blen);
int CompareByName(const TFileInfo& a, const TFileInfo& b);
int CompareByDir(const TFileInfo& a, const TFileInfo& b);
int CompareByExt(const TFileInfo& a, const TFileInfo& b);
int CompareBySize(const TFileInfo& a, const TFileInfo& b);
int CompareByTime(const TFileInfo& a, const TFileInfo& b);

// The subfolders one listing met, as the directory tree shows them: names that do not
// start with ".", symbolic links to folders among them (also in links), unsorted.
// complete stays false when the folder could not be read.
struct SeenSubdirs {
    QStringList names;
    QSet<QString> links;
    bool complete = false;
};

class TFileInfoList {
public:
    // Called from the recursive scan with the directory being examined and the running
    // count, right before pending events are processed.
    using ProgressHandler = std::function<void(const QString& path, int fileCount)>;

    TFileInfoList();
    ~TFileInfoList();
    TFileInfoList(const TFileInfoList&) = delete;
    TFileInfoList& operator=(const TFileInfoList&) = delete;

    // Releases every record; counters, Directory and Mask stay. A recursive scan that
    // is processing events stops when its list is cleared.
    void Clear();
    // Lists dir (again, also when it is the current one) and sorts. Nothing when both
    // dir and Directory are empty. seen (when given) gets the subfolders met on the way.
    void SetDirectory(const QString& dir, SeenSubdirs* seen = nullptr);
    // Re-lists Directory with the new mask and sorts.
    void SetMask(const QString& mask);
    // The mask for the next scan; the records stay as they are.
    void PresetMask(const QString& mask) { mask_ = platform::WildcardMask(mask); }
    // Sorts when the order changes.
    void SetSortOrder(TSortOrder order);
    // Clear, reset the counters, ScanDirectory.
    void Rescan(const QString& dir, SeenSubdirs* seen = nullptr);
    // Appends the matching files of one directory; no reset, no sort.
    void ScanDirectory(const QString& dir, SeenSubdirs* seen = nullptr);
    // Appends the matching files of dir and every directory below it, depth first,
    // files before subdirectories; names starting with "." and symbolic links are not
    // entered. No reset, no sort.
    void ScanSubtree(const QString& dir);
    // Resets the counters, ScanSubtree(root), Sort(). Does not clear.
    void ScanTree(const QString& root);
    void Sort();

    int Count() const { return int(items_.size()); }
    TFileInfo* Item(int index) const { return items_[size_t(index)]; }
    const std::vector<TFileInfo*>& Items() const { return items_; }
    QString Mask() const { return mask_.mask(); }
    const platform::WildcardMask& CompiledMask() const { return mask_; }
    QString Directory() const { return directory_; }
    TSortOrder SortOrder() const { return sortOrder_; }

    int FileCount() const { return fileCount_; }
    void SetFileCount(int count) { fileCount_ = count; }
    int64_t TotalSize() const { return totalSize_; }
    void SetTotalSize(int64_t size) { totalSize_ = size; }

    // Progress of the recursive scan (may be empty).
    void SetProgressHandler(ProgressHandler handler) { progress_ = std::move(handler); }
    // How often the recursive scan lets pending events run: after each subdirectory
    // but at most every intervalMs milliseconds; 0: after every subdirectory; negative:
    // never.
    void SetEventInterval(int intervalMs) { eventIntervalMs_ = intervalMs; }
    bool IsScanning() const { return scanDepth_ > 0; }

    // Bytes held for the records, their names and directories (for measurements).
    size_t MemoryUsed() const;

private:
    struct Arena;
    struct SubtreeScan;
    const TDirInfo* addDir(QByteArray bytes);
    TFileInfo* allocRecord();
    const char* storeName(const char* name, int length);
    void scanDir(const TDirInfo* dir, platform::DirReader& reader, PackedTimeCache& times,
                 std::vector<QByteArray>* subdirs, SeenSubdirs* seen = nullptr);
    struct HeldFolder;
    bool scanSubtree(const QByteArray& dirBytes, HeldFolder* parent, int depth, SubtreeScan& scan);

    std::vector<TFileInfo*> items_;
    std::unique_ptr<Arena> arena_;
    QString directory_;
    platform::WildcardMask mask_;
    int fileCount_ = 0;
    int64_t totalSize_ = 0;
    TSortOrder sortOrder_ = soName;
    ProgressHandler progress_;
    int eventIntervalMs_ = 20;
    int scanDepth_ = 0;
    uint64_t generation_ = 0;     // changes with every Clear
    std::shared_ptr<bool> alive_; // false once the list is destroyed
};

} // namespace browser

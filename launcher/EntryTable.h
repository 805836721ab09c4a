#pragma once
// The launcher's entry table: 11 pages of 14 slots, each holding the full path of a
// registered program, document or folder (empty: unregistered). Mirrored one to one in
// the settings file, section "Page<n>" (n = page index + 1), key "BPFileName<k>".
#include <QString>
#include <array>
#include <functional>

class SettingsFile;

class EntryTable {
public:
    static constexpr int kPages = 11;
    static constexpr int kSlots = 14;

    static bool IsValid(int page, int slot) {
        return page >= 0 && page < kPages && slot >= 0 && slot < kSlots;
    }
    static QString SectionName(int page); // "Page1" for page index 0
    static QString KeyName(int slot);     // "BPFileName0" for slot 0

    // Empty for an unregistered slot or an index outside the table.
    const QString& at(int page, int slot) const;
    bool isRegistered(int page, int slot) const { return !at(page, slot).isEmpty(); }

    // Memory only (the last-launched slot is never stored).
    void set(int page, int slot, const QString& path);

    // Reads all 154 keys through one accessor, page by page, slot by slot; afterEach runs
    // after every key so a caller can keep its windows painted meanwhile.
    void LoadAll(const SettingsFile& ini, const std::function<void()>& afterEach = {});

    // Records an entry in memory, then writes its one key at once. The write raises
    // EWriteError on a settings file that cannot be written; memory is already changed.
    void Record(SettingsFile& ini, int page, int slot, const QString& path);

private:
    std::array<std::array<QString, kSlots>, kPages> entries_;
};

#include "launcher/EntryTable.h"

#include "core/SettingsFile.h"

QString EntryTable::SectionName(int page) {
    return QStringLiteral("Page") + QString::number(page + 1);
}

QString EntryTable::KeyName(int slot) {
    return QStringLiteral("BPFileName") + QString::number(slot);
}

const QString& EntryTable::at(int page, int slot) const {
    static const QString none;
    return IsValid(page, slot) ? entries_[page][slot] : none;
}

void EntryTable::set(int page, int slot, const QString& path) {
    if (IsValid(page, slot))
        entries_[page][slot] = path;
}

void EntryTable::LoadAll(const SettingsFile& ini, const std::function<void()>& afterEach) {
    for (int p = 0; p < kPages; ++p) {
        const QString section = SectionName(p);
        for (int k = 0; k < kSlots; ++k) {
            entries_[p][k] = ini.ReadString(section, KeyName(k), QString());
            if (afterEach)
                afterEach();
        }
    }
}

void EntryTable::Record(SettingsFile& ini, int page, int slot, const QString& path) {
    if (!IsValid(page, slot))
        return;
    entries_[page][slot] = path;
    ini.WriteString(SectionName(page), KeyName(slot), path);
}

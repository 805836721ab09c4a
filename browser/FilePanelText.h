#pragma once
// The file panel's texts and small decisions, without widgets: the filter entries, menu
// captions, the status texts of a list and of a selection, the drive question, the
// header's help texts, sort toggling, filter stepping and where the menus open.
#include "browser/FileInfo.h"

#include <QList>
#include <QPoint>
#include <QString>
#include <cstdint>

namespace browser {

// One entry of the extension filter: what the box shows and the mask it stands for.
struct FilterEntry {
    QString description;
    QString mask;
};
// The filter as the box defines it: description and mask pairs separated by "|".
QString FilterDefinition();
QList<FilterEntry> ParseFilter(const QString& definition);
QList<FilterEntry> FilterEntries(); // the thirteen entries, index 1 is all files
constexpr int kAllFilesIndex = 1;

// The filter index a click on the bottom bar steps to: from the last entry (or none)
// back to the first.
int NextFilterIndex(int current, int count);

// The mask that shows a file of this name: "*" and its upper-case extension ("*" alone
// without one). Empty when the current mask already is that one (ignoring case).
QString WantedMask(const QString& fileName);
bool FilterHidesFile(const QString& fileName, const QString& currentMask);

// Captions of the menu items: "１行 表示" .. "12行 表示", "１列 表示" .. "４列 表示",
// "(&1) *.EXE" .. "(&D) *.GIF".
QString RowsItemCaption(int rows);
QString ColumnsItemCaption(int columns);
QString ExtItemCaption(int filterIndex);

// Numbers by the patterns "#,###,###,##0" and "#,###,###,###,##0".
QString FormatCount(int64_t n);

// Status texts of a whole list and of a selected file.
QString SummaryText(int fileCount, int64_t totalSize); // for PanelR
QString CountText(int fileCount);                      // for CountLabel
QString SelectionText(const QString& size, const QString& date, const QString& attr);
QString LineText(int selectedIndex, int fileCount);

// The question when a drive cannot be read.
QString DriveNotReadyText(const QString& drive);
QString ApplicationCaption(); // "ゼルモ３２"

// The help texts of the "Sort by" section; the search sheet's adds the directory line.
QString SortHelpText(bool withDirectory);

// The sort key of a header section: -1 for the help section and for the filler.
int SectionSortKey(int section, bool searchSheet);

// A header click on key: another key keeps the direction, the same key flips it.
struct SortState {
    TSortOrder order;
    int direction; // TSortDirection
    bool operator==(const SortState&) const = default;
};
SortState ToggledSort(SortState current, TSortOrder key);

// Where a list's menu opens: centred on the cursor and 10 pixels higher when centred is
// asked for, else with its left edge at the cursor.
QPoint ListMenuPosition(QPoint cursor, bool centred, int menuWidth);
// The tree's menus open 10 pixels right of and below the cursor.
QPoint TreeMenuPosition(QPoint cursor);

// The splitter: the last 5 pixels of the directory panel.
bool OnSplitter(int x, int panelWidth);
bool SplitterWidthAllowed(int x, int windowWidth);

// A file name's extension from its last dot, dot included, upper case ("" without one).
QString WholeExtensionKey(const QString& fileName);
// The same cut to its first four characters, as the mouse rules compare it (".JPEG" is
// ".JPE").
QString ExtensionKey(const QString& fileName);

// The directory a search starts from is kept and searched whole, however long: its
// first 255 characters could name a sibling folder that starts the same way. Only the
// texts that show it are cut.
// A text shown in a caption: at most 255 characters, never half a character.
QString CutForCaption(const QString& text);
// The search base as the captions show it: its display form (a path that is not UTF-8
// decoded as CP932), cut for the caption.
QString ShownSearchBase(const QString& base);

// The result sheet's information bar: the search base with the prefix of two trailing
// spaces (set when a search starts and while hovering) or of one (the list summary).
QString BaseCaption(const QString& base);
QString SummaryBaseCaption(const QString& base);

} // namespace browser

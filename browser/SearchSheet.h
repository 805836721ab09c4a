#pragma once
// What the file panel offers the bulk search: the result sheet with its list and search
// bar, the tree's folder, the filter box's pattern and the status texts. The bulk search
// fills the sheet through it and never touches the panel's other controls.
#include <QString>

class QLineEdit;
class QToolButton;

namespace browser {

class TFileListBoxS;

class SearchSheet {
public:
    virtual ~SearchSheet() = default;

    virtual TFileListBoxS* ResultList() const = 0; // the second sheet's list
    virtual QLineEdit* PatternEdit() const = 0;    // the search bar's pattern box
    virtual QToolButton* SearchButton() const = 0; // the search bar's start button
    // The folder selected in the tree; empty when none is.
    virtual QString TreeDirectory() const = 0;
    // The filter box's mask; its last entry is chosen when none is; "*.*" without entries.
    virtual QString FilterPattern() = 0;
    // Shows the second sheet without running the sheet-change handler.
    virtual void ShowResultSheet() = 0;
    // Empties the count label, the right information caption and the selection image.
    virtual void ClearStatus() = 0;
    virtual void ShowCount(const QString& text) = 0;       // the count label
    virtual void ShowSearchBase(const QString& text) = 0;  // the result sheet's bar
    virtual void ShowTreeCaption(const QString& text) = 0; // the tree's caption and its hint
    virtual void ShowListSummary(TFileListBoxS* list) = 0;
    // The hint of the control page's directory-panel button.
    virtual void ShowPanelButtonHint(const QString& hint) = 0;
};

} // namespace browser

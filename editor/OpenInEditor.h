#pragma once
// The main window's editor command: opens the file selected in the active list in the
// editor window (created on first use and kept for the run), or an empty editor when
// nothing suitable is selected.
#include <QString>

namespace core {
struct SharedState;
}

class TMeltM;

namespace editor {

// What the main window knows when the command runs.
struct EditorOpenFacts {
    bool viewerOpen = true;
    bool inTray = false;
    QString selectedPath; // the active list's selected entry; empty when none
};

// The editor window the command showed, or null when the user kept the edited text
// ("No" at the guard question).
TMeltM* EditPopClick(core::SharedState& state, const EditorOpenFacts& facts);

} // namespace editor

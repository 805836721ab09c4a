#pragma once
// An input method's composition (the preedit: typed, shown in the box, not yet confirmed)
// settled before a window decides anything on the box's text. Otherwise the box's text
// is read without it, and the input method commits it later, into a window that has
// already asked its question or is already hidden.
class QWidget;

namespace ui {

// Follows the composition the input method shows in the box (its last preedit).
void TrackComposition(QWidget* box);

// The input method commits the composition in progress; a preedit the box still shows
// then is inserted as typed text and the input method forgets it, so it never arrives
// twice. Afterwards the box's text is final. Nothing happens for a box without one.
void SettleComposition(QWidget* box);

} // namespace ui

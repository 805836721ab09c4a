#pragma once
// What the preview window decides without widgets: where a key moves the index in the
// active list (with its wrap-around limits), the window size that shows a picture on the
// screen, and the caption and hint texts.
#include <QPoint>
#include <QSize>
#include <QString>
#include <Qt>
#include <optional>

namespace preview {

// The steps of the keys. Next is Right, Up, numeric-pad 6 and Space; Previous is Left,
// Down and numeric-pad 4; the numeric-pad 1, 2 and 3 jump by 10, 20 and 30.
enum class PreviewStep { Next, Plus10, Plus20, Plus30, Previous, Home, End };

// The step of a key; nothing for keys without one (F12 has its own action). A
// numeric-pad digit arrives with the keypad modifier while Num Lock is on; without Num
// Lock the pad sends the arrows, Home and End, which step as those keys do.
std::optional<PreviewStep> StepForKey(int key, Qt::KeyboardModifiers modifiers);

// The index after a step in a list of n files (n counts the hidden files too, so the
// result may lie beyond the entries shown). Forward steps wrap to 0 once they would pass
// n - 1 - (the jump's excess): next wraps past n - 2, +10 past n - 12, +20 past n - 22,
// +30 past n - 32. Previous wraps from 0 (or below) to n - 1.
int SteppedIndex(PreviewStep step, int index, int n);

// The sizes the screen fit is computed from.
struct FitInput {
    QSize formClient;  // the window's client area now
    QSize panelClient; // the client area of the panel inside it (the border is the rest)
    QSize picture;     // the picture at its natural size (0 x 0 when empty)
    QSize screen;
    int captionHeight = 0;
};
// The client size that shows the picture with the panel's border and a margin of 10
// pixels, reduced in proportion when it is taller or wider than the screen.
QSize FitPreviewClient(const FitInput& in);
// The top-left corner that centres a window of this outer size on the screen (the
// division truncates toward zero, also for windows larger than the screen).
QPoint CentredPosition(QSize screen, QSize window);

// "3/15 name" when the window shows, "4/15  name" (two spaces) after a step.
QString ShownCaption(int index, int fileCount, const QString& path);
QString SteppedCaption(int index, int fileCount, const QString& path);
// The picture's hint: the caption and the file's folder (with its trailing "/") in
// parentheses, "caption ( /home/ann/pics/ ) ".
QString PreviewHint(const QString& caption, const QString& path);

} // namespace preview

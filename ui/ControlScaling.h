#pragma once
// Scaling a whole window's controls for the zoom: every child widget's position, size,
// size limits and header sections, recursively, by m/d in integer arithmetic (value * m
// div d), so that the same steps always give the same pixels.
//
// Fonts are not stepped from their last size: the window keeps the scale it shows in
// whole percent (100 * m div d per step, the zoom's own arithmetic) and every font is
// its full-scale size times that scale, so zooming back, or maximising and returning,
// brings the texts back to their size. A header section never gets narrower than its
// caption at the new font.
//
// Children that are placed by a layout get their geometry scaled like the others; the
// layout then re-lays them from their new sizes (a docking layout keeps the scaled
// heights and widths; a box layout follows the scaled fonts, margins and spacing).
// Child windows (menus, dialogs) are left alone.
//
// How TForm1 uses it:
//   zoom out / in   ScaleBy(this, m, d)          (controls and the window's own size)
//   start-up        ScaleControls(this, Zoom, 100), then the remembered window size
//   maximise/normal ScaleControls(this, step.m, step.d) (the window manager sizes it)
class QWidget;

namespace ui {

// value * m div d with a 64-bit intermediate; value itself when d is 0.
int ScaleValue(int value, int m, int d);

// Scales every child widget of root and root's own font; root keeps its size and
// position. Nothing happens when m equals d or d is 0.
//
// A font the program sets between two steps counts as showing the current scale.
void ScaleControls(QWidget* root, int m, int d);

// The scale root's controls show, in percent: 100 until the first step.
int ScalePercent(const QWidget* root);

// ScaleControls plus root's own width and height.
void ScaleBy(QWidget* root, int m, int d);

} // namespace ui

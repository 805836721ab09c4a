#pragma once
// Scaling a whole window's controls for the zoom: every child widget's position, size,
// size limits and contents margins, header sections, item views' pictures and a tree's
// indentation, recursively, by m/d.
//
// Each value is its full-scale value times the product of all steps so far, cut to a
// whole pixel once: stepping from the last whole pixel would lose a pixel on most steps
// down and never get it back (at a few pixels, 10/9 of a value is the value again), and
// a maximise and back would shrink everything each time. A value changed between steps
// (by a layout, the user or the program) is taken as showing the current scale.
//
// Fonts follow the zoom itself: the window keeps its scale in whole percent, stepped as
// the zoom is (100 * m div d), and every font is its full-scale size times that. So
// when the zoom is back at about 100 the texts are back at their size, and the controls,
// if anything a little larger, cut none of them off. A header section never gets
// narrower than its caption at the new font.
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

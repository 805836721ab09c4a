#pragma once
// What the once-a-second timer of the control page shows: while the program is
// minimised its taskbar title runs as a clock, with the program's name on every tenth
// second and the mascot's greeting on every fifth; the information button SBP swaps its
// picture between the program icon and the mascot at the same moments.
//
// How TForm1 uses it (Timer1Timer):
//   const TitleTick t = TitleClockTick(TitleClockNow(), isMinimized(),
//                                      Notebook1->currentIndex() == 11);
//   if (!t.windowIcon.isEmpty()) setWindowIcon(ui::resourceIcon(t.windowIcon));
//   application title (the taskbar text) = t.title;
//   if (!t.sbpGlyph.isEmpty()): launcher::DrawIconOnFace(work, icon t.sbpGlyph, face)
//     into Image1, then that picture scaled to SBP's size less 2 pixels each way as
//     SBP's glyph.
#include <QString>
#include <QTime>
#include <functional>

struct TitleTick {
    QString timeText;   // "hh:nn:ss"
    QString title;      // the application title to show
    QString windowIcon; // resource icon for the main window; empty: keep the current one
    QString sbpGlyph;   // resource icon for SBP's glyph; empty: keep the current one
    bool operator==(const TitleTick&) const = default;
};

TitleTick TitleClockTick(QTime now, bool minimized, bool controlPageShown);

// The time the clock shows: the current time; tests replace the source (null restores it).
QTime TitleClockNow();
void SetTitleClockSource(std::function<QTime()> source);

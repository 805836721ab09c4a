#pragma once
// The picture the clock gives the information button SBP: a program icon drawn on a
// 32 x 32 square of the button-face colour, stretched to 2 pixels less than the button
// in each direction.
//
// How TForm1 uses it (Timer1Timer, when TitleClockTick names an SBP glyph):
//   const QPixmap face = ui::IconOnFace(ui::resourcePixmap(tick.sbpGlyph));
//   Image1->setPixmap(face);
//   SBP->setIcon(ui::StretchedGlyph(face, SBP->size()));
//   SBP->setIconSize(SBP->size() - QSize(2, 2));
#include <QPixmap>
#include <QSize>

namespace ui {

// 32 x 32, filled with the button-face colour, the icon at the top-left corner.
QPixmap IconOnFace(const QPixmap& icon);
// The face stretched to buttonSize less 2 pixels each way (nothing for a smaller button).
QPixmap StretchedGlyph(const QPixmap& face, QSize buttonSize);

} // namespace ui

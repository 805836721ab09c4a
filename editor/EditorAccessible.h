#pragma once
// The edit box as a screen reader reads it: the whole text as the screen shows it, a NUL
// as the box drawn for it ("□"), a byte of no character as "�", one character for each of
// the box's, so offsets stay the box's own.

#include <QString>
#include <QStringView>

namespace editor {

// The text a reader gets for the box's text (the same length).
QString AccessibleText(QStringView text);
// Once per program: edit boxes of the text windows answer through it.
void InstallEditorAccessibility();

} // namespace editor

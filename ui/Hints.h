#pragma once
// The application's hint (tooltip) look and timing: background colour, the pause before
// a hint appears and how long it stays.
#include <QColor>
#include <QString>

namespace ui {

void SetApplicationHints(const QColor& color, int pauseMs, int hidePauseMs);

struct HintSettings {
    QColor color;
    int pauseMs = -1;
    int hidePauseMs = -1;
};
HintSettings ApplicationHints(); // as last set (pauses -1 before the first call)

// Hints are mostly names and paths, and a file name may look like markup: a hint that Qt
// would take for rich text is given as its plain text, line breaks included.
QString PlainHintText(const QString& hint);

} // namespace ui

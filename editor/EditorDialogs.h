#pragma once
// The editor's standard dialogs (save, open, font) behind one replaceable service each,
// so tests answer them without showing anything. Null restores the real dialogs.
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace editor {

// Filters as "description|mask|description|mask"; filter indexes count from 1.
struct FileDialogRequest {
    QString directory; // empty: the current directory
    QString fileName;  // proposed name
    QString filter;
    int filterIndex = 1;
};
struct FileDialogAnswer {
    QString path;
    int filterIndex = 1;
};
using FileDialogSource = std::function<std::optional<FileDialogAnswer>(const FileDialogRequest&)>;

struct FontChoice {
    QFont font;
    QColor color;
};
using FontDialogSource = std::function<std::optional<FontChoice>(const FontChoice&)>;

void SetSaveDialogSource(FileDialogSource source);
void SetOpenDialogSource(FileDialogSource source);
void SetFontDialogSource(FontDialogSource source);

// Qt's own widget dialogs, filters chosen and read back by their place in the list; the
// list follows the program's own masks ("*.*" takes names without a dot). Asks before
// overwriting the name as typed; the chosen folder must exist.
std::optional<FileDialogAnswer> RunSaveDialog(QWidget* parent, const FileDialogRequest& request);
std::optional<FileDialogAnswer> RunOpenDialog(QWidget* parent, const FileDialogRequest& request);
// The font and its colour (the colour stays as given where the dialog offers none).
std::optional<FontChoice> RunFontDialog(QWidget* parent, const FontChoice& current);

// "a|*.A|b|*.B" -> {"a (*.A)", ...} as Qt's dialogs show them: spaces simplified, and
// the masks in parentheses once ("x (*.A)|*.A" stays "x (*.A)").
QStringList QtNameFilters(const QString& filter);
// "a|*.A|b|*.B;*.C" -> {"*.A", "*.B;*.C"}: the masks of each filter, in order.
QStringList FilterMasks(const QString& filter);

} // namespace editor

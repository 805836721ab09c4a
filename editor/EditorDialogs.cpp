#include "editor/EditorDialogs.h"

#include <QFileDialog>
#include <QFontDialog>

namespace editor {

namespace {

FileDialogSource& saveSource() {
    static FileDialogSource s;
    return s;
}
FileDialogSource& openSource() {
    static FileDialogSource s;
    return s;
}
FontDialogSource& fontSource() {
    static FontDialogSource s;
    return s;
}

std::optional<FileDialogAnswer> runFileDialog(QWidget* parent, const FileDialogRequest& r,
                                              bool save) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save)
        dialog.setOption(QFileDialog::ReadOnly, false);
    const QStringList filters = QtNameFilters(r.filter);
    dialog.setNameFilters(filters);
    if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(r.filterIndex - 1));
    if (!r.directory.isEmpty())
        dialog.setDirectory(r.directory);
    if (!r.fileName.isEmpty())
        dialog.selectFile(r.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FileDialogAnswer{dialog.selectedFiles().first(),
                            int(filters.indexOf(dialog.selectedNameFilter())) + 1};
}

} // namespace

void SetSaveDialogSource(FileDialogSource source) {
    saveSource() = std::move(source);
}
void SetOpenDialogSource(FileDialogSource source) {
    openSource() = std::move(source);
}
void SetFontDialogSource(FontDialogSource source) {
    fontSource() = std::move(source);
}

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Qt reads the masks from the last parentheses; keep the description as written.
        QString mask = parts.at(i + 1);
        mask.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << parts.at(i) + QStringLiteral(" (") + mask + QLatin1Char(')');
    }
    return out;
}

std::optional<FileDialogAnswer> RunSaveDialog(QWidget* parent, const FileDialogRequest& request) {
    if (saveSource())
        return saveSource()(request);
    return runFileDialog(parent, request, true);
}

std::optional<FileDialogAnswer> RunOpenDialog(QWidget* parent, const FileDialogRequest& request) {
    if (openSource())
        return openSource()(request);
    return runFileDialog(parent, request, false);
}

std::optional<FontChoice> RunFontDialog(QWidget* parent, const FontChoice& current) {
    if (fontSource())
        return fontSource()(current);
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, current.font, parent);
    if (!ok)
        return std::nullopt;
    return FontChoice{font, current.color};
}

} // namespace editor

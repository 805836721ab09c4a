#include "editor/EditorDialogs.h"

#include "platform/WildcardMask.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QSortFilterProxyModel>

#include <vector>

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

// The dialog's list through the program's own masks: "*.*" lists every name, one without
// a dot too, where Qt's matcher wants a dot. Folders always show, to move around in.
class MaskProxy : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setMasks(const QString& masks) {
        masks_.clear();
        for (const QString& m : masks.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            masks_.emplace_back(m.trimmed());
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* fs = static_cast<const QFileSystemModel*>(sourceModel());
        const QModelIndex i = fs->index(row, 0, parent);
        if (fs->isDir(i))
            return true;
        const QString name = fs->fileName(i);
        for (const platform::WildcardMask& m : masks_)
            if (m.matches(name))
                return true;
        return masks_.empty();
    }
    // Qt's own matcher greys the names its masks miss; ours has decided already.
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return QSortFilterProxyModel::flags(index) | Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

private:
    std::vector<platform::WildcardMask> masks_;
};

std::optional<FileDialogAnswer> runFileDialog(QWidget* parent, const FileDialogRequest& r,
                                              bool save) {
    QFileDialog dialog(parent);
    // Qt's own dialog everywhere, so the filters, their order and our masks are the same
    // on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save)
        dialog.setOption(QFileDialog::ReadOnly, false);
    const QStringList masks = FilterMasks(r.filter);
    auto* proxy = new MaskProxy(&dialog);
    dialog.setProxyModel(proxy);
    auto* fs = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
    if (fs)
        fs->setNameFilterDisables(true); // nothing hidden before the proxy sees it
    dialog.setNameFilters(QtNameFilters(r.filter));
    // Filters by their place in the list: Qt shows (and reports) them in its own spelling.
    auto useFilter = [&](int index) {
        if (index >= 0 && index < masks.size())
            proxy->setMasks(masks.at(index));
    };
    int index = r.filterIndex >= 1 && r.filterIndex <= masks.size() ? r.filterIndex - 1 : 0;
    if (!dialog.nameFilters().isEmpty())
        dialog.selectNameFilter(dialog.nameFilters().at(index));
    useFilter(index);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&](const QString& f) { useFilter(int(dialog.nameFilters().indexOf(f))); });
    if (!r.directory.isEmpty())
        dialog.setDirectory(r.directory);
    if (!r.fileName.isEmpty())
        dialog.selectFile(r.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    index = int(dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
    return FileDialogAnswer{dialog.selectedFiles().first(), index < 0 ? 1 : index + 1};
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

QStringList FilterMasks(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << parts.at(i + 1);
    return out;
}

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Qt reads the masks from the last parentheses and shows runs of spaces as one.
        QString mask = parts.at(i + 1);
        mask.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString inParentheses = QLatin1Char('(') + mask + QLatin1Char(')');
        const QString description = parts.at(i).simplified();
        out << (description.endsWith(inParentheses)
                    ? description
                    : description + QLatin1Char(' ') + inParentheses);
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
    const QFont font = QFontDialog::getFont(&ok, current.font, parent, QString(),
                                            QFontDialog::DontUseNativeDialog);
    if (!ok)
        return std::nullopt;
    return FontChoice{font, current.color};
}

} // namespace editor

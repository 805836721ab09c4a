#pragma once
// The file panel's side of the bulk search: its result sheet, search bar and status
// texts behind the SearchSheet interface.
#include "browser/SearchSheet.h"

#include <QObject>

namespace browser {

class FilePanel;

class ResultSheet : public QObject, public SearchSheet {
public:
    explicit ResultSheet(FilePanel& panel);

    TFileListBoxS* ResultList() const override;
    QLineEdit* PatternEdit() const override;
    QToolButton* SearchButton() const override;
    QString TreeDirectory() const override;
    QString FilterPattern() override;
    void ShowResultSheet() override;
    void ClearStatus() override;
    void ShowCount(const QString& text) override;
    void ShowSearchBase(const QString& text) override;
    void ShowTreeCaption(const QString& text) override;
    void ShowListSummary(TFileListBoxS* list) override;
    void ShowPanelButtonHint(const QString& hint) override;

private:
    FilePanel& panel_;
};

} // namespace browser

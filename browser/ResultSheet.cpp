// The file panel's result sheet and status texts, as the bulk search fills them.
#include "browser/ResultSheet.h"

#include "browser/FilePanel.h"
#include "ui/CaptionPanel.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>

namespace browser {

ResultSheet::ResultSheet(FilePanel& panel) : QObject(&panel), panel_(panel) {}

TFileListBoxS* ResultSheet::ResultList() const {
    return panel_.ListBox2;
}

QLineEdit* ResultSheet::PatternEdit() const {
    return panel_.Edit1;
}

QToolButton* ResultSheet::SearchButton() const {
    return panel_.SSpeedB;
}

void ResultSheet::ShowListSummary(TFileListBoxS* list) {
    panel_.ShowListSummary(list);
}

QString ResultSheet::TreeDirectory() const {
    return panel_.TreeDirectory();
}

QString ResultSheet::FilterPattern() {
    if (panel_.FilterComboBox1->count() == 0)
        return QStringLiteral("*.*");
    if (panel_.FilterComboBox1->currentIndex() < 0) {
        const QSignalBlocker block(panel_.FilterComboBox1);
        panel_.FilterComboBox1->setCurrentIndex(panel_.FilterComboBox1->count() - 1);
    }
    return panel_.FilterComboBox1->currentData().toString();
}

void ResultSheet::ShowResultSheet() {
    const QSignalBlocker block(panel_.PageControl);
    panel_.PageControl->setCurrentWidget(panel_.TabSheet2);
}

void ResultSheet::ClearStatus() {
    panel_.CountLabel->clear();
    panel_.CountLabel->adjustSize();
    panel_.PanelR->setCaption(QString());
    panel_.SelectImage->clear();
}

void ResultSheet::ShowCount(const QString& text) {
    panel_.CountLabel->setText(text);
    panel_.CountLabel->adjustSize();
}

void ResultSheet::ShowSearchBase(const QString& text) {
    panel_.DpanelLabel->setText(text);
}

void ResultSheet::ShowTreeCaption(const QString& text) {
    panel_.PanelL->setCaption(text);
    panel_.PanelL->setToolTip(text);
}

void ResultSheet::ShowPanelButtonHint(const QString& hint) {
    emit panel_.panelButtonHintChanged(hint);
}

} // namespace browser

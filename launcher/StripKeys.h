#pragma once
// The launcher strip by keyboard. Each page's buttons (the slots, the control page's tool
// buttons) are one stop in the Tab order: the button last reached on the page, at first
// the leftmost. The strip takes the focus only from Tab (never from a click). There:
//   Left / Right, Home / End   the button beside it, the first or last of the page
//   Space, Enter               presses it, as a click does
//   Page Up / Page Down        the page before or after (the control page after page 11)
#include <QObject>

class QAbstractButton;
class QWidget;

namespace launcher {

class LauncherStrip;

class StripKeys : public QObject {
public:
    explicit StripKeys(LauncherStrip& strip);

    // Takes a page's buttons (children of the page's panel) into the strip's keys.
    void AddButtons(const QList<QAbstractButton*>& buttons);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The page's buttons that can take the keyboard now, from left to right.
    QList<QAbstractButton*> Reachable(const QWidget* page) const;
    // The page's stop in the Tab order (the one button there that Tab reaches).
    QAbstractButton* Stop(const QWidget* page) const;
    void MoveStop(QAbstractButton* to, bool focus);
    bool KeyPress(QAbstractButton* button, int key);
    void TurnPage(int step);

    LauncherStrip& strip_;
    QList<QAbstractButton*> buttons_;
};

} // namespace launcher

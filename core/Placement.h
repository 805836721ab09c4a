#pragma once
// Window placement kept in the settings file, in a section named after the window's
// class ("TForm1", "TMeltL", ...): the classic placement record of ten integers. A window
// never saved opens centred at its current size.
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;
class SettingsFile;

struct PlacementRecord {
    static constexpr int kRestoreToMaximized = 2; // flags bit
    static constexpr int kShowNormal = 1;
    static constexpr int kShowMinimized = 2;
    static constexpr int kShowMaximized = 3;

    int flags = 0;
    int showCmd = kShowNormal;
    QPoint minPos{-1, -1}; // -1, -1: never set
    QPoint maxPos{-1, -1};
    // Normal-state frame rectangle in screen coordinates; right and bottom lie just
    // outside it (right = left + width).
    int left = 0, top = 0, right = 0, bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    QRect normalRect() const { return QRect(left, top, width(), height()); }
    bool operator==(const PlacementRecord&) const = default;
};

namespace placement {

// The record of a window with this normal frame rectangle and state.
PlacementRecord FromWindowState(const QRect& normalFrame, bool maximized, bool minimized,
                                QPoint minPos = {-1, -1}, QPoint maxPos = {-1, -1});

// The ten keys in the order they are written.
QStringList KeyNames();

void Write(SettingsFile& ini, const QString& section, const PlacementRecord& rec);

// What restoring applies: each stored key, else the current value, else (normal
// rectangle) the current size centred on a screen of screenSize. A normal rectangle
// that touches none of the screens (saved on a monitor since removed) is centred too,
// keeping its size, so the window can be reached. The show command stays the current one.
PlacementRecord Read(const SettingsFile& ini, const QString& section,
                     const PlacementRecord& current, QSize screenSize, const QList<QRect>& screens);

} // namespace placement

// The window's section is its class name.
void RestorePlacement(QWidget* window);
void SavePlacement(QWidget* window);
// The same when a window goes away: a settings file that cannot be written then loses the
// placement only, never the window's end.
void SavePlacementQuietly(QWidget* window);
// A window whose frame changes with its state (the main window has one only while it is
// maximised) tells its normal-state frame rectangle while it is not in that state, so
// that a save stores where it goes back to; an empty rectangle clears it.
void SetNormalFrame(QWidget* window, const QRect& frame);

// The live record of a window, and applying one to it (the Qt side of the mapping).
PlacementRecord CurrentPlacement(const QWidget* window);
void ApplyPlacement(QWidget* window, const PlacementRecord& rec);

#pragma once
// The tool buttons of the launcher strip's control page. The main window connects each
// to the handler of the part that owns the action.
#include <QObject>

class QLabel;
class QToolButton;
namespace ui {
class Panel;
} // namespace ui

class ControlPage : public QObject {
public:
    // Builds the buttons on the control page's panel.
    explicit ControlPage(ui::Panel* page);

    QToolButton* CloseButton = nullptr;
    QToolButton* VierButton = nullptr;
    QToolButton* VierCloseBottun = nullptr;
    QToolButton* ZoomoutSB = nullptr;
    QToolButton* ZoomInSB = nullptr;
    QToolButton* SBMax = nullptr;
    QToolButton* SBNor = nullptr;
    QToolButton* MinimizeButton = nullptr;
    QToolButton* DirSPB = nullptr;
    QToolButton* FindDirSPB = nullptr;
    QToolButton* MKDirSB = nullptr;
    QToolButton* EditB = nullptr;
    QToolButton* TRayButton = nullptr;
    QToolButton* SBP = nullptr;
    QLabel* Image1 = nullptr; // hidden, disabled; the clock draws SBP's glyph through it
};

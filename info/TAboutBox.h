#pragma once
// The information window: the program's name and version, a clock drawn on the panel,
// a memory meter refreshed every second, the main window's zoom and which archive
// libraries and picture plug-ins are there. Minimised, its caption runs as a clock.
// Files dropped on it from other programs are started. It is created on demand, freed
// when closed (SharedState::Windows.AboutBox empty again) and keeps its placement in the
// section "TAboutBox".
#include <QPointer>
#include <QWidget>

class QLabel;
class QTimer;
class QToolButton;
namespace core {
struct SharedState;
} // namespace core
namespace info {
class AboutDropRouter;
} // namespace info
namespace ui {
class Panel;
} // namespace ui

// The class stays outside the namespace: its name is the settings section.
class TAboutBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 216;
    static constexpr int kClientHeight = 311;
    static constexpr int kHelpContext = 1100;

    // FormCreate: restores the placement, starts the clock, fills the memory meter and
    // takes file drops, also those that reach the program's other windows.
    explicit TAboutBox(core::SharedState& state);
    ~TAboutBox() override; // FormDestroy

    // Makes the window unless it exists, shows it and restores it when minimised (the
    // main window's information command). Returns the window.
    static TAboutBox* ShowInformation(core::SharedState& state);

    ui::Panel* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel *ProductName = nullptr, *Version = nullptr, *Label2 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QLabel *Label7 = nullptr, *ZoomLabel = nullptr, *time1 = nullptr;
    QLabel *Memoly = nullptr, *MemolyL = nullptr, *Physical = nullptr, *PhysicalL = nullptr;
    QLabel *PageFile = nullptr, *PageFileL = nullptr, *Virtual = nullptr, *VirtualL = nullptr;
    QLabel *UnLha32Label = nullptr, *Unzip32Label = nullptr, *SusieLabel = nullptr;
    QTimer* Timer1 = nullptr;

    void FormActivate();
    void Timer1Timer();
    void SpeedButton1Click();
    // The memory meter's four values from the system's memory status.
    void RefreshMemory();
    // The window's file drop: each file started with the shell in its own folder.
    void FilesDropped(const QStringList& files);

    // The clock as drawn on the panel ("hh:nn:ss", empty before the first tick) and the
    // top-left corner of its text.
    QString ClockText() const { return clockText_; }
    QPoint ClockPosition() const;
    // The resource icon ProgramIcon shows ("MAINICON" or "ZELU").
    QString ProgramIconName() const { return programIconName_; }

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void Build();
    void SetProgramIcon(const QString& name);
    void SavePlacementOnce();

    core::SharedState& state_;
    info::AboutDropRouter* router_ = nullptr;
    QString clockText_;
    QString programIconName_;
    bool placementSaved_ = false;
};

#pragma once
// The archive contents window: a small stay-on-top list of the members of one LZH or ZIP
// archive (name, sizes, ratio, date, time), read through the library bindings when the
// window is activated with a new archive path as its caption. A click on a member shows
// its text in the member text window (TMeltL); a click on a header sorts by that column.
// The keyboard stays with the main window's file list: the window hands it back after
// every read, on every change of its list and on every key.
#include "archive/MemberColumns.h"

#include <QCollator>
#include <QString>
#include <QTreeWidget>
#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QToolButton;
class TMeltL;

namespace core {
struct SharedState;
}
namespace ui {
class Panel;
}

namespace archive {

// The member list: reports presses (any button) and swallows every key.
class MemberListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit MemberListView(QWidget* parent = nullptr);

signals:
    void mouseDown(QPoint pos);
    void keyDown();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

} // namespace archive

// Outside the namespace: the class name is the settings section of its placement.
class TMeltView : public QWidget {
    Q_OBJECT
public:
    // focusActiveList gives the keyboard to the main window's active file list.
    TMeltView(core::SharedState& state, std::function<void()> focusActiveList,
              QWidget* parent = nullptr);
    ~TMeltView() override;

    static constexpr int kClientWidth = 457, kClientHeight = 91;
    static constexpr int kHelpContext = 1060;
    static constexpr int kMaxMembers = 300;
    static constexpr uint32_t kOpenMode = 0x1000;
    static constexpr int kMemberBufferSize = 800000;

    // ---- Handlers ----------------------------------------------------------------------
    // Reads the archive the caption names, unless it is the one listed already.
    void FormActivate();
    void FormShow();
    void ListView1ColumnClick(int column);
    // Shows the member under pos (the one just selected) in the member text window.
    void ListView1MouseDown(QPoint pos);
    void ListView1KeyDown();
    void SpeedButton1Click();
    bool FormCloseQuery();
    void FocusActiveList();

    // ---- Controls ----------------------------------------------------------------------
    ui::Panel *Panel1 = nullptr, *Panel2 = nullptr;
    archive::MemberListView* ListView1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QLabel* Label1 = nullptr;

    // ---- State -------------------------------------------------------------------------
    QString LastListedArchive;
    QString LastMemberName; // listed last while reading, or viewed last
    std::array<bool, archive::kMemberColumns> SortDescending{};

    // The texts of the list, top to bottom, by column (for the tests and the sorting).
    QStringList ColumnTexts(int column) const;

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void Build();
    bool ReadMembers(archive::ArchiveKind kind); // steps 4 to 8; false: no library
    void AddMember(const ArchiveMemberInfo& info, archive::ArchiveKind kind);
    void FitColumns();
    TMeltL* MemberTextWindow();

    core::SharedState& state_;
    std::function<void()> focusActiveList_;
    QCollator collator_; // the order of names
    bool reading_ = false;
    QList<int> pendingColumnClicks_; // header clicks during a read, applied at its end
    int count_ = 0;
};

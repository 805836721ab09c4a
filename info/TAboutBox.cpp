// The information window: its controls, the clock, the memory meter, file drops and its
// life from the information command to its close.
#include "info/TAboutBox.h"

#include "core/BusyCursor.h"
#include "core/Placement.h"
#include "core/SharedState.h"
#include "info/AboutDrops.h"
#include "info/AboutTexts.h"
#include "launcher/ShellDrops.h"
#include "pictures/PluginPictures.h"
#include "platform/MemoryStatus.h"
#include "ui/HelpWindow.h"
#include "ui/Panel.h"
#include "ui/Resources.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <functional>

using namespace info;

namespace {

// The panel the clock is drawn on, straight onto its face beside the label "現在時刻 :".
class ClockPanel : public ui::Panel {
public:
    using ui::Panel::Panel;
    std::function<void(QPainter&)> paintOver;

protected:
    void paintEvent(QPaintEvent* e) override {
        ui::Panel::paintEvent(e);
        if (paintOver) {
            QPainter painter(this);
            paintOver(painter);
        }
    }
};

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->move(at);
    label->adjustSize();
    return label;
}

void setColor(QLabel* label, const QColor& color) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

} // namespace

TAboutBox::TAboutBox(core::SharedState& state)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint),
      state_(state) {
    setAttribute(Qt::WA_DeleteOnClose); // closing frees the window
    Build();
    // FormCreate.
    RestorePlacement(this);
    Timer1->setInterval(1000);
    SetProgramIcon(QStringLiteral("MAINICON"));
    RefreshMemory();
    ZoomLabel->setText(ZoomText(state_.Zoom));
    setAcceptDrops(true);
    router_ = new info::AboutDropRouter(this);
    SpeedButton1->setCursor(ui::resourceCursor(QStringLiteral("HANDHIT")));
    Timer1->start();
}

TAboutBox::~TAboutBox() {
    SavePlacementOnce();
}

void TAboutBox::Build() {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Information"));
    setWindowIcon(ui::programIcon());
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    setFixedSize(kClientWidth, kClientHeight);
    ui::SetHelpContext(this, kHelpContext);

    auto* panel = new ClockPanel(this);
    Panel1 = panel;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, kClientWidth, kClientHeight);
    Panel1->setColor(Qt::white);
    Panel1->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    panel->paintOver = [this](QPainter& p) {
        if (clockText_.isEmpty())
            return;
        p.setFont(font());
        p.setPen(Qt::black);
        p.drawText(QRect(ClockPosition(), QSize(kClientWidth, fontMetrics().height())),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, clockText_);
    };

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(16, 16, 32, 32);
    ProgramIcon->setAlignment(Qt::AlignCenter);

    ProductName = makeLabel(Panel1, "ProductName", QStringLiteral("ゼルモ３２"), {62, 12});
    QFont big = font();
    big.setPointSize(14);
    big.setBold(true);
    ProductName->setFont(big);
    ProductName->adjustSize();
    setColor(ProductName, QColor(0, 0, 255));
    Version = makeLabel(Panel1, "Version", QStringLiteral("Version  2.20"), {64, 40});
    setColor(Version, QColor(255, 0, 0));
    Label2 = makeLabel(Panel1, "Label2", QStringLiteral("for Win95 ＆ NT4.0"), {64, 58});

    SpeedButton1 = new QToolButton(Panel1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setGeometry(18, 86, 25, 25);
    SpeedButton1->setToolTip(QStringLiteral("アイコン で 常時時刻表示"));
    SpeedButton1->setIcon(ui::controlGlyphIcon(QStringLiteral("MinimizeButton")));
    SpeedButton1->setIconSize(QSize(21, 21));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    Label7 = makeLabel(Panel1, "Label7", QStringLiteral("Zoom :"), {56, 92});
    ZoomLabel = makeLabel(Panel1, "ZoomLabel", QString(), {104, 92});
    ZoomLabel->resize(80, ZoomLabel->height());

    time1 = makeLabel(Panel1, "time1", QStringLiteral("現在時刻 :"), {18, 124});

    // The meter: captions at the left, values right-aligned 20 pixels inside the panel.
    const int valueWidth = 60, valueLeft = kClientWidth - 20 - valueWidth;
    struct Row {
        QLabel** caption;
        QLabel** value;
        const char *captionName, *valueName;
        const char* text;
    };
    const Row rows[] = {
        {&Memoly, &MemolyL, "Memoly", "MemolyL", "Use Memory"},
        {&Physical, &PhysicalL, "Physical", "PhysicalL", "Free Physical"},
        {&PageFile, &PageFileL, "PageFile", "PageFileL", "Free PageFile"},
        {&Virtual, &VirtualL, "Virtual", "VirtualL", "Free Virtual"},
    };
    int top = 156;
    for (const Row& r : rows) {
        *r.caption = makeLabel(Panel1, r.captionName, QString::fromLatin1(r.text), {18, top});
        QLabel* value = makeLabel(Panel1, r.valueName, QString(), {valueLeft, top});
        value->setGeometry(valueLeft, top, valueWidth, (*r.caption)->height());
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        *r.value = value;
        top += 20;
    }

    const QColor navy(0, 0, 128);
    QLabel** availability[] = {&UnLha32Label, &Unzip32Label, &SusieLabel};
    const char* availabilityNames[] = {"UnLha32Label", "Unzip32Label", "SusieLabel"};
    top = 244;
    for (int i = 0; i < 3; ++i) {
        QLabel* label = makeLabel(Panel1, availabilityNames[i], QString(), {8, top});
        label->setGeometry(8, top, kClientWidth - 12, label->height());
        setColor(label, navy);
        *availability[i] = label;
        top += 20;
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

TAboutBox* TAboutBox::ShowInformation(core::SharedState& state) {
    core::BusyCursor busy;
    auto* box = qobject_cast<TAboutBox*>(state.Windows.AboutBox.data());
    if (!box) {
        box = new TAboutBox(state);
        state.Windows.AboutBox = box;
    }
    box->show();
    if (box->isMinimized())
        box->showNormal();
    box->raise();
    box->activateWindow();
    return box;
}

bool TAboutBox::event(QEvent* e) {
    const bool done = QWidget::event(e);
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return done;
}

void TAboutBox::FormActivate() {
    setWindowTitle(QStringLiteral("各種情報"));
    RefreshMemory();
    UnLha32Label->setText(UnLha32Text(state_.UnlhaAvailable));
    Unzip32Label->setText(Unzip32Text(state_.UnzipAvailable));
    SusieLabel->setText(SusieText(pictures::GifPluginLoaded(), pictures::JpegPluginLoaded()));
    ui::SetHelpContext(this, kHelpContext);
}

void TAboutBox::RefreshMemory() {
    const MemoryTexts t = MemoryMeterTexts(platform::GlobalMemoryStatus());
    MemolyL->setText(t.memoly);
    PhysicalL->setText(t.physical);
    PageFileL->setText(t.pageFile);
    VirtualL->setText(t.virtualMemory);
}

QPoint TAboutBox::ClockPosition() const {
    const int width = fontMetrics().horizontalAdvance(clockText_ + QStringLiteral("SS"));
    return QPoint(Panel1->width() - width, time1->y() + 2);
}

void TAboutBox::Timer1Timer() {
    const ClockTick tick = AboutClockTick(AboutClockNow(), isMinimized());
    if (isMinimized()) {
        setWindowTitle(tick.caption);
        if (!tick.windowIcon.isEmpty())
            setWindowIcon(ui::resourceIcon(tick.windowIcon));
        return;
    }
    clockText_ = tick.timeText;
    Panel1->update();
    if (!tick.programIcon.isEmpty())
        SetProgramIcon(tick.programIcon);
    RefreshMemory();
    ZoomLabel->setText(ZoomText(state_.Zoom));
}

void TAboutBox::SetProgramIcon(const QString& name) {
    programIconName_ = name;
    ProgramIcon->setPixmap(ui::resourcePixmap(name).scaled(
        ProgramIcon->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void TAboutBox::SpeedButton1Click() {
    showMinimized(); // the caption runs as the clock from the next second
}

void TAboutBox::FilesDropped(const QStringList& files) {
    launcher::StartDroppedFiles(files);
}

void TAboutBox::dragEnterEvent(QDragEnterEvent* e) {
    dragMoveEvent(e);
}

void TAboutBox::dragMoveEvent(QDragMoveEvent* e) {
    if (FilesFromOtherPrograms(e->source(), e->mimeData()).isEmpty())
        e->ignore();
    else
        e->acceptProposedAction();
}

void TAboutBox::dropEvent(QDropEvent* e) {
    const QStringList files = FilesFromOtherPrograms(e->source(), e->mimeData());
    if (files.isEmpty()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    FilesDropped(files);
}

void TAboutBox::closeEvent(QCloseEvent* e) {
    QWidget::closeEvent(e);
    // The window goes: the clock stops, the drops of other windows no longer reach it,
    // and the next information command makes a new one.
    Timer1->stop();
    delete router_;
    router_ = nullptr;
    if (state_.Windows.AboutBox == this)
        state_.Windows.AboutBox = nullptr;
    SavePlacementOnce();
}

void TAboutBox::SavePlacementOnce() {
    if (placementSaved_)
        return;
    placementSaved_ = true;
    SavePlacementQuietly(this);
}

// A caption-less window with the frame and the tray, to try them on a real display.
// Prints the window geometry after each move or resize on standard output.
#include "app/ZelmoApplication.h"
#include "ui/FramelessFrame.h"
#include "ui/TrayService.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMoveEvent>
#include <QPushButton>
#include <QTextStream>
#include <QWidget>

namespace {

class DemoWindow : public QWidget {
public:
    DemoWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {}

protected:
    void moveEvent(QMoveEvent*) override { report(); }
    void resizeEvent(QResizeEvent*) override { report(); }

private:
    void report() {
        QTextStream(stdout) << "geometry " << x() << ' ' << y() << ' ' << width() << ' ' << height()
                            << Qt::endl;
    }
};

} // namespace

int main(int argc, char** argv) {
    ZelmoApplication app(argc, argv);
    DemoWindow window;
    window.setGeometry(100, 100, 400, 120);
    auto* strip = new QLabel(QStringLiteral("drag me"), &window);
    strip->setGeometry(0, 0, 400, 80);
    strip->setAutoFillBackground(true);
    auto* viewer = new QCheckBox(QStringLiteral("viewer open"), &window);
    viewer->setGeometry(10, 85, 150, 30);
    auto* trayButton = new QPushButton(QStringLiteral("tray"), &window);
    trayButton->setGeometry(200, 85, 80, 30);

    auto* frame = new ui::FramelessFrame(&window);
    frame->setEdgesInertWhen([viewer] { return !viewer->isChecked(); });
    frame->setHeightLockedWhen([viewer] { return !viewer->isChecked(); });
    frame->addBackground(strip);
    QMenu menu;
    menu.addAction(QStringLiteral("exit"), &app, &QCoreApplication::quit);
    frame->setRightPressHandler([&menu](QWidget*, QPoint at) { menu.popup(at); });

    auto* tray = new ui::TrayService(&window);
    tray->setMenu(&menu);
    tray->setComeBackHandler([tray] { tray->leave(); });
    QObject::connect(trayButton, &QPushButton::clicked, tray, [tray] { tray->enter(); });

    window.show();
    return app.exec();
}

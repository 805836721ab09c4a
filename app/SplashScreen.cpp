#include "app/SplashScreen.h"

#include "ui/Resources.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

TSplashScreen::TSplashScreen(QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::SplashScreen) {
    setObjectName(QStringLiteral("SplashScreen"));
    setFixedSize(kClientWidth, kClientHeight);

    Panel1 = new QLabel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, kClientWidth, kClientHeight);
    Panel1->setAlignment(Qt::AlignCenter);
    // Small enough that the centred status text stays clear of the picture and name.
    QFont small = Panel1->font();
    small.setPixelSize(12);
    Panel1->setFont(small);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::Window, QColor(0, 255, 255));
    Panel1->setPalette(pal);
    SetStatus(QStringLiteral("     しばらく 待って下さい"), Qt::black);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(6, 4, 32, 32);
    Image1->setScaledContents(true);
    Image1->setPixmap(ui::resourcePixmap(QStringLiteral("SPLASH")));

    Label1 = new QLabel(QStringLiteral("Zelmo32"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(kClientWidth - 66, 4, 60, 32); // right end, clear of the text
    Label1->setAlignment(Qt::AlignCenter);
    QPalette lp = Label1->palette();
    lp.setColor(QPalette::WindowText, Qt::red);
    Label1->setPalette(lp);
    QFont f = small;
    f.setBold(true);
    Label1->setFont(f);

    Timer1 = new QTimer(this);
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TSplashScreen::Timer1Timer);
    Timer1->start();

    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect g = s->geometry();
        move(g.x() + (g.width() - kClientWidth) / 2, g.y() + (g.height() - kClientHeight) / 2);
    }
}

void TSplashScreen::SetStatus(const QString& text, const QColor& color) {
    Panel1->setText(text);
    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::WindowText, color);
    Panel1->setPalette(pal);
}

void TSplashScreen::Timer1Timer() {
    if (!Image1->isHidden()) {
        Image1->hide();
        Label1->setText(QStringLiteral(" Happy "));
    } else {
        Image1->show();
        Label1->setText(QStringLiteral("Zelmo32"));
    }
}

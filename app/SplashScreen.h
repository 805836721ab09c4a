#pragma once
// The small window shown while the main window is built: a status line and the
// program's picture, alternating with a greeting every half second.
#include <QWidget>

class QLabel;
class QTimer;

class TSplashScreen : public QWidget {
    Q_OBJECT
public:
    explicit TSplashScreen(QWidget* parent = nullptr);

    // Status line text and colour (the main window's later start-up steps change it).
    void SetStatus(const QString& text, const QColor& color);

    QLabel* Panel1 = nullptr; // status panel, fills the window
    QLabel* Image1 = nullptr; // 32 x 32 picture
    QLabel* Label1 = nullptr; // "Zelmo32" / " Happy "
    QTimer* Timer1 = nullptr;

    void Timer1Timer();

    static constexpr int kClientWidth = 328;
    static constexpr int kClientHeight = 40;
};

#include "ui/ScreenMetrics.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

namespace ui {

namespace {

std::function<ScreenMetrics()>& source() {
    static std::function<ScreenMetrics()> s;
    return s;
}

ScreenMetrics realMetrics() {
    ScreenMetrics m;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m.screenWidth = screen->geometry().width();
        m.screenHeight = screen->geometry().height();
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        const QStyle* style = QApplication::style();
        m.captionHeight = style->pixelMetric(QStyle::PM_TitleBarHeight);
        m.borderHeight = style->pixelMetric(QStyle::PM_DefaultFrameWidth);
    }
    return m;
}

} // namespace

ScreenMetrics ReadScreenMetrics() {
    return source() ? source()() : realMetrics();
}

void SetScreenMetricsSource(std::function<ScreenMetrics()> s) {
    source() = std::move(s);
}

} // namespace ui

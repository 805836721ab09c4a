#include "ui/Hints.h"

#include <QApplication>
#include <QEvent>
#include <QHelpEvent>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QTextDocument>
#include <QToolTip>
#include <QWidget>

namespace ui {

namespace {

HintSettings& current() {
    static HintSettings s;
    return s;
}

// Qt takes the pause before a tooltip from the style.
class HintTimingStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_ToolTip_WakeUpDelay && current().pauseMs >= 0)
            return current().pauseMs;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

// Gives every widget without a duration of its own the application's display time, and
// shows every hint as plain text.
class HintDurationFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->toolTipDuration() != current().hidePauseMs)
                w->setToolTipDuration(current().hidePauseMs);
            const QString hint = w->toolTip();
            if (!hint.isEmpty() && Qt::mightBeRichText(hint)) {
                QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                                   PlainHintText(hint), w, QRect(), w->toolTipDuration());
                return true;
            }
        }
        return false;
    }
};

} // namespace

void SetApplicationHints(const QColor& color, int pauseMs, int hidePauseMs) {
    current() = {color, pauseMs, hidePauseMs};
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    QPalette pal = QToolTip::palette();
    pal.setColor(QPalette::ToolTipBase, color);
    pal.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(pal);

    static QPointer<QObject> filter;
    if (!filter) {
        filter = new HintDurationFilter(app);
        app->installEventFilter(filter);
    }
    if (!dynamic_cast<HintTimingStyle*>(QApplication::style()))
        QApplication::setStyle(new HintTimingStyle(QApplication::style()->name()));
}

HintSettings ApplicationHints() {
    return current();
}

QString PlainHintText(const QString& hint) {
    if (!Qt::mightBeRichText(hint))
        return hint;
    return QStringLiteral("<p style='white-space:pre'>") + hint.toHtmlEscaped() +
           QStringLiteral("</p>");
}

} // namespace ui

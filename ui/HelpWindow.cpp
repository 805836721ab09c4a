#include "ui/HelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/Resources.h"

#include <algorithm>

namespace ui {

namespace {

const char* const kContextProperty = "helpContext";

QString pagePath(int context) {
    return QStringLiteral(":/res/help/%1.html").arg(context);
}

int contextOfUrl(const QUrl& url) {
    bool ok = false;
    const int context = url.fileName().section(QLatin1Char('.'), 0, 0).toInt(&ok);
    return ok ? context : 0;
}

QPointer<THelpForm>& instance() {
    static QPointer<THelpForm> form;
    return form;
}

int contextOfObject(const QObject* object) {
    const QVariant v = object->property(kContextProperty);
    return v.isValid() ? v.toInt() : 0;
}

// Finds the context for F1: the highlighted menu item, else the focused widget and its
// parents, else the window under the key.
int contextForKey(QObject* receiver) {
    QWidget* widget = QApplication::focusWidget();
    // A window with nothing to focus (the information window, the preview) leaves the
    // focus widget in the window active before it: the active window speaks for itself.
    if (QWidget* active = QApplication::activeWindow();
        active && (!widget || widget->window() != active))
        widget = active;
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        if (const QAction* item = menu->activeAction())
            if (const int c = contextOfObject(item))
                return c;
        widget = menu;
    }
    if (!widget)
        widget = qobject_cast<QWidget*>(receiver);
    int context = HelpContextOf(widget);
    // A popup menu's parent chain ends at the menu; try the widget it belongs to.
    if (!context && widget && widget->parentWidget())
        context = HelpContextOf(widget->parentWidget());
    return context ? context : kHelpContents;
}

class HelpKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
            return false;
        if (type == QEvent::ShortcutOverride) {
            // Accepting the override delivers F1 as a key press instead of a shortcut.
            event->accept();
            return true;
        }
        if (key->isAutoRepeat())
            return true;
        const int context = contextForKey(watched);
        // An open menu goes away, as it would for any command chosen from it.
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        ShowHelp(context);
        return true;
    }
};

} // namespace

THelpForm::THelpForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("THelpForm"));
    setWindowTitle(QStringLiteral("ゼルモ３２ ： ヘルプ"));
    setWindowIcon(programIcon());

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this](const QUrl& url) { context_ = contextOfUrl(url); });

    auto* contents = new QPushButton(QStringLiteral("目次(&C)"), this);
    auto* back = new QPushButton(QStringLiteral("戻る(&B)"), this);
    auto* forward = new QPushButton(QStringLiteral("進む(&F)"), this);
    contents->setObjectName(QStringLiteral("ContentsButton"));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QPushButton::clicked, this, [this] { showContext(kHelpContents); });
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);

    auto* bar = new QHBoxLayout;
    bar->addWidget(contents);
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);
    // Escape puts the help away, like any small window of the program.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    resize(480, 420);
}

int THelpForm::showContext(int context) {
    if (!HasHelpPage(context))
        context = kHelpContents;
    browser_->setSource(QUrl(QStringLiteral("qrc") + pagePath(context)));
    context_ = context;
    return context;
}

bool HasHelpPage(int context) {
    return context > 0 && QFile::exists(pagePath(context));
}

void ShowHelp(int context) {
    QPointer<THelpForm>& form = instance();
    if (!form) {
        form = new THelpForm;
        // Top-level and ownerless: it goes when the application ends.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, form.data(), &QObject::deleteLater);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            form->move(screen->geometry().center() - form->rect().center());
    }
    form->showContext(context);
    form->setWindowState(form->windowState() & ~Qt::WindowMinimized);
    form->show();
    form->raise();
    form->activateWindow();
}

THelpForm* HelpWindow() {
    return instance().data();
}

bool IsKnownHelpContext(int context) {
    return std::find(kHelpContexts.begin(), kHelpContexts.end(), context) != kHelpContexts.end();
}

namespace {

void warnIfUnknown(int context) {
    if (context && !IsKnownHelpContext(context))
        qWarning("help context %d has no page; F1 would open the contents", context);
}

} // namespace

void SetHelpContext(QWidget* widget, int context) {
    warnIfUnknown(context);
    if (widget)
        widget->setProperty(kContextProperty, context);
}

void SetHelpContext(QAction* action, int context) {
    warnIfUnknown(context);
    if (action)
        action->setProperty(kContextProperty, context);
}

int HelpContextOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (const int c = contextOfObject(w))
            return c;
    return 0;
}

void InstallHelpKey(QApplication* app) {
    const QString name = QStringLiteral("HelpKeyFilter");
    if (!app || app->findChild<QObject*>(name, Qt::FindDirectChildrenOnly))
        return;
    auto* filter = new HelpKeyFilter(app);
    filter->setObjectName(name);
    app->installEventFilter(filter);
}

} // namespace ui

#include "launcher/SlotAccessible.h"

#include "launcher/EntryRules.h"
#include "launcher/LauncherStrip.h"
#include "launcher/SlotControls.h"
#include "platform/FsName.h"

#include <QAccessibleWidget>
#include <QList>
#include <QPointer>

namespace launcher {

namespace {

QList<QPointer<LauncherStrip>>& Strips() {
    static QList<QPointer<LauncherStrip>> strips;
    return strips;
}

struct SlotPlace {
    LauncherStrip* strip = nullptr;
    int page = -1;
    int slot = -1;
};

SlotPlace FindSlot(const QObject* control) {
    const int slot = SlotTag(control);
    if (slot < 0)
        return {};
    for (const QPointer<LauncherStrip>& strip : Strips()) {
        if (!strip)
            continue;
        for (int p = 0; p < LauncherStrip::kPages; ++p) {
            if (strip->SlotButtons[p][slot] == control || strip->SlotImages[p][slot] == control)
                return {strip.data(), p, slot};
        }
    }
    return {};
}

// The button of a slot and the picture lying on it: both stand for the slot.
class SlotAccessible : public QAccessibleWidget {
public:
    SlotAccessible(QWidget* control, QAccessible::Role role) : QAccessibleWidget(control, role) {}

    QString text(QAccessible::Text t) const override {
        const SlotPlace place = FindSlot(widget());
        if (!place.strip || (t != QAccessible::Name && t != QAccessible::Description))
            return QAccessibleWidget::text(t);
        const QString& entry = place.strip->Entries.at(place.page, place.slot);
        if (t == QAccessible::Name) {
            // The button is made before its image: a reader may ask in between.
            const SlotImage* image = place.strip->SlotImages[place.page][place.slot];
            return SlotAccessibleName(entry, image ? image->toolTip() : QString());
        }
        return SlotAccessibleDescription(entry, place.strip->PlannedSlotClick(place.slot));
    }

    QStringList actionNames() const override {
        const SlotPlace place = FindSlot(widget());
        if (!place.strip || place.page != place.strip->PageIndex())
            return {};
        return {pressAction()};
    }

    void doAction(const QString& name) override {
        const SlotPlace place = FindSlot(widget());
        // The click handlers take the page from the notebook: only the shown page's slots.
        if (name != pressAction() || !place.strip || place.page != place.strip->PageIndex())
            return;
        // After the reader's call has been answered: a start may show a message box.
        QPointer<QWidget> control(widget());
        QPointer<LauncherStrip> strip(place.strip);
        QMetaObject::invokeMethod(
            strip.data(),
            [strip, control] {
                if (strip && control)
                    strip->BP3SPiClick(control.data());
            },
            Qt::QueuedConnection);
    }
};

QAccessibleInterface* SlotFactory(const QString&, QObject* object) {
    if (auto* button = qobject_cast<SlotButton*>(object))
        return new SlotAccessible(button, QAccessible::Button);
    if (auto* image = qobject_cast<SlotImage*>(object))
        return new SlotAccessible(image, QAccessible::Graphic);
    return nullptr;
}

} // namespace

void InstallSlotAccessibility(LauncherStrip* strip) {
    static const bool installed = [] {
        QAccessible::installFactory(SlotFactory);
        return true;
    }();
    (void)installed;
    Strips().removeAll(nullptr);
    Strips().append(strip);
}

QString SlotAccessibleName(const QString& entry, const QString& hint) {
    if (entry.isEmpty())
        return hint;
    const QString name = EntryFileName(entry);
    return platform::displayName(name.isEmpty() ? entry : name);
}

QString SlotAccessibleDescription(const QString& entry, const ShellRequest& click) {
    if (entry.isEmpty())
        return QString();
    QString text = platform::displayName(entry);
    // The file handed over with the viewer open; "" (nothing selected) hands nothing.
    if (click.file == entry && !click.parameters.isEmpty() &&
        click.parameters != QLatin1String("\"\""))
        text += QLatin1Char(' ') + platform::displayName(click.parameters);
    return text;
}

} // namespace launcher

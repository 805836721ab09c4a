#include "editor/EditorAccessible.h"

#include "editor/PlainText.h"
#include "editor/TMeltL.h"

#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBlock>

namespace editor {

QString AccessibleText(QStringView text) {
    QString out = text.toString();
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        if (c.unicode() == 0)
            out[i] = QChar(0x25A1);
        else if (c == QChar::ParagraphSeparator)
            out[i] = QLatin1Char('\n');
        else if (c.isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate()) // an escaped byte, or no character at all
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

namespace {

class EditBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit EditBoxAccessible(RichEditBox* box)
        : QAccessibleWidget(box, QAccessible::EditableText) {}

    RichEditBox* box() const { return static_cast<RichEditBox*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.multiLine = true;
        s.editable = !box()->isReadOnly();
        s.readOnly = box()->isReadOnly();
        s.selectableText = true;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return Whole();
        return QAccessibleWidget::text(t);
    }

    // ---- QAccessibleTextInterface --------------------------------------------------------
    void selection(int index, int* start, int* end) const override {
        const QTextCursor c = box()->textCursor();
        *start = *end = 0;
        if (index == 0 && c.hasSelection()) {
            *start = c.selectionStart();
            *end = c.selectionEnd();
        }
    }
    int selectionCount() const override { return box()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override {
        QTextCursor c = box()->textCursor();
        c.clearSelection();
        box()->setTextCursor(c);
    }
    void setSelection(int, int start, int end) override {
        QTextCursor c = box()->textCursor();
        c.setPosition(Clamp(start));
        c.setPosition(Clamp(end), QTextCursor::KeepAnchor);
        box()->setTextCursor(c);
    }
    int cursorPosition() const override { return box()->textCursor().position(); }
    void setCursorPosition(int position) override {
        QTextCursor c = box()->textCursor();
        c.setPosition(Clamp(position));
        box()->setTextCursor(c);
    }
    QString text(int start, int end) const override {
        start = Clamp(start);
        end = Clamp(end);
        if (end <= start)
            return QString();
        QTextCursor c(box()->document());
        c.setPosition(start);
        c.setPosition(end, QTextCursor::KeepAnchor);
        return AccessibleText(c.selectedText());
    }
    int characterCount() const override { return box()->document()->characterCount() - 1; }
    QRect characterRect(int offset) const override {
        QTextCursor c(box()->document());
        c.setPosition(Clamp(offset));
        const QRect r = box()->cursorRect(c);
        return QRect(box()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        const QPoint local = box()->viewport()->mapFromGlobal(point);
        if (!box()->viewport()->rect().contains(local))
            return -1;
        return box()->cursorForPosition(local).position();
    }
    void scrollToSubstring(int start, int end) override {
        setSelection(0, start, end);
        box()->ensureCursorVisible();
    }
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return QString();
    }

private:
    int Clamp(int p) const { return qBound(0, p, characterCount()); }
    QString Whole() const { return AccessibleText(box()->toPlainText()); }
};

QAccessibleInterface* EditorFactory(const QString&, QObject* object) {
    if (auto* box = qobject_cast<RichEditBox*>(object))
        return new EditBoxAccessible(box);
    return nullptr;
}

} // namespace

void InstallEditorAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(EditorFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace editor

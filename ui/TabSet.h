#pragma once
// A strip of tabs hanging below the control above it: a background colour, one colour
// for the selected tab and one for the others. Changing the index, by the user or by
// code, first asks change() (which may refuse), then emits clicked().
#include <QColor>
#include <QStringList>
#include <QWidget>

namespace ui {

class TabSet : public QWidget {
    Q_OBJECT
public:
    explicit TabSet(QWidget* parent = nullptr);

    void setTabs(const QStringList& tabs);
    const QStringList& tabs() const { return tabs_; }
    int tabIndex() const { return index_; }
    void setTabIndex(int index); // -1 selects none

    void setBackgroundColor(const QColor& c);
    void setSelectedColor(const QColor& c);
    void setUnselectedColor(const QColor& c);
    QColor backgroundColor() const { return background_; }
    QColor selectedColor() const { return selected_; }
    QColor unselectedColor() const { return unselected_; }

    // Height of the tabs themselves (the strip may be higher).
    void setTabHeight(int h);
    int tabHeight() const { return tabHeight_; }

    int tabAt(QPoint pos) const; // -1 when none
    QRect tabRect(int i) const;  // the tab's bounding rectangle

signals:
    void change(int newTab, bool* allow); // before the index changes
    void clicked();                       // after it changed
    void mouseDown(Qt::MouseButton button, QPoint pos);
    void mouseMove(QPoint pos);
    void mouseUp(Qt::MouseButton button, QPoint pos);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QPolygon tabShape(int i) const;

    QStringList tabs_;
    int index_ = -1;
    int tabHeight_ = 16;
    QColor background_ = Qt::black;
    QColor selected_ = Qt::white;
    QColor unselected_ = Qt::lightGray;
    static constexpr int kStartMargin = 5;
    static constexpr int kSlant = 6;
};

} // namespace ui

#pragma once
// A layout that docks its widgets the classic way: in the order they were added, each
// top, bottom, left or right widget takes its own current height (or width) from what
// is left of the parent's area and spans the rest; a client widget takes what remains.
// Hidden widgets take nothing. Changing a docked widget's height (or width) re-lays.
#include <QLayout>
#include <QList>

namespace ui {

enum class Align { Top, Bottom, Left, Right, Client };

class AlignLayout : public QLayout {
    Q_OBJECT
public:
    explicit AlignLayout(QWidget* parent = nullptr);
    ~AlignLayout() override;

    void addWidget(QWidget* w, Align align);
    Align alignOf(const QWidget* w) const;

    void addItem(QLayoutItem* item) override; // added items dock as client
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& r) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return int(items_.size()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QLayoutItem* item;
        Align align;
    };
    QList<Entry> items_;
    bool laying_ = false;
};

} // namespace ui

#pragma once
// A panel with a one-line caption drawn centred in it (the classic status panel), in
// the palette's window-text colour, clipped at its edges.
#include "ui/Panel.h"

namespace ui {

class CaptionPanel : public Panel {
    Q_OBJECT
public:
    explicit CaptionPanel(QWidget* parent = nullptr);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    void setTextColor(const QColor& color);
    QColor textColor() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QString caption_;
};

} // namespace ui

#include "browser/SearchProgressWindow.h"

#include "ui/ScreenMetrics.h"

#include <QLabel>

namespace browser {

namespace {

QLabel* makeLabel(QWidget* parent, const QString& family, int pixelSize, bool fixedPitch,
                  QColor colour, QRect geometry) {
    auto* label = new QLabel(QStringLiteral("Select"), parent);
    label->setTextFormat(Qt::PlainText); // folder names, shown as they are
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setFixedPitch(fixedPitch);
    font.setStyleHint(fixedPitch ? QFont::TypeWriter : QFont::SansSerif);
    font.setWeight(QFont::Normal);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    label->setWordWrap(false);
    label->setGeometry(geometry);
    return label;
}

} // namespace

SearchProgressWindow::SearchProgressWindow(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(kCaption);
    const ui::ScreenMetrics screen = ui::ReadScreenMetrics();
    const int w = screen.screenWidth / 2;
    const int h = screen.screenHeight / 4;
    setFixedSize(w, h);
    move((screen.screenWidth - w) / 2, (screen.screenHeight - h) / 2);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 255, 255));
    setPalette(pal);
    setAutoFillBackground(true);
    pathLabel_ = makeLabel(this, QStringLiteral("ＭＳ Ｐゴシック"), 14, false, QColor(0, 0, 255),
                           QRect(12, h / 3, 200, 16));
    countLabel_ = makeLabel(this, QStringLiteral("ＭＳ ゴシック"), 16, true, QColor(255, 0, 0),
                            QRect(30, h * 2 / 3, 43, 16));
}

void SearchProgressWindow::SetProgress(const QString& path, int fileCount) {
    // The labels grow with their text but never shrink below their first size.
    pathLabel_->setText(path);
    pathLabel_->resize(qMax(200, pathLabel_->sizeHint().width()),
                       qMax(16, pathLabel_->sizeHint().height()));
    countLabel_->setText(kCountPrefix + QString::number(fileCount));
    countLabel_->resize(qMax(43, countLabel_->sizeHint().width()),
                        qMax(16, countLabel_->sizeHint().height()));
}

} // namespace browser

#pragma once
// The window shown while a recursive search runs: the directory being examined and the
// running count of files found.
#include <QWidget>

class QLabel;

namespace browser {

class SearchProgressWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString kCaption =
        QStringLiteral("一生懸命検索しています。しばらくお待ち下さい。");
    static inline const QString kCountPrefix = QStringLiteral("集計数 ： ");

    // A top-level window owned by owner, sized to half the screen width and a quarter
    // of its height, centred.
    explicit SearchProgressWindow(QWidget* owner);

    void SetProgress(const QString& path, int fileCount);
    QLabel* PathLabel() const { return pathLabel_; }
    QLabel* CountLabel() const { return countLabel_; }

private:
    QLabel* pathLabel_;
    QLabel* countLabel_;
};

} // namespace browser

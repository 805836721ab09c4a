#include "browser/FitSelectImage.h"

std::optional<QSize> FitSelectImage(int box, int h, int w) {
    if (box == 0 || h == 0 || w == 0)
        return std::nullopt;
    if (h < w)
        return QSize(box, int(qint64(box) * h / w));
    if (h > w)
        return QSize(int(qint64(box) * w / h), box);
    return QSize(box, box);
}

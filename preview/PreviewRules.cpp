#include "preview/PreviewRules.h"

#include "platform/FsName.h"

#include <algorithm>
#include <cstdint>

namespace preview {

std::optional<PreviewStep> StepForKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        switch (key) {
        case Qt::Key_6:
            return PreviewStep::Next;
        case Qt::Key_1:
            return PreviewStep::Plus10;
        case Qt::Key_2:
            return PreviewStep::Plus20;
        case Qt::Key_3:
            return PreviewStep::Plus30;
        case Qt::Key_4:
            return PreviewStep::Previous;
        default:
            break; // the pad's arrows, Home and End below
        }
    }
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Space:
        return PreviewStep::Next;
    case Qt::Key_Left:
    case Qt::Key_Down:
        return PreviewStep::Previous;
    case Qt::Key_Home:
        return PreviewStep::Home;
    case Qt::Key_End:
        return PreviewStep::End;
    default:
        return std::nullopt;
    }
}

int SteppedIndex(PreviewStep step, int index, int n) {
    // Past its limit a forward step starts again at 0. The jumps stop one file early
    // (+10 at n - 11 wraps although n - 1 exists), as the keys always have.
    auto forward = [&](int jump, int limit) { return index > limit ? 0 : index + jump; };
    switch (step) {
    case PreviewStep::Next:
        return forward(1, n - 2);
    case PreviewStep::Plus10:
        return forward(10, n - 12);
    case PreviewStep::Plus20:
        return forward(20, n - 22);
    case PreviewStep::Plus30:
        return forward(30, n - 32);
    case PreviewStep::Previous:
        return index <= 0 ? n - 1 : index - 1;
    case PreviewStep::Home:
        return 0;
    case PreviewStep::End:
        return n - 1;
    }
    return index;
}

namespace {
// a * b div c without overflow for any picture Qt can hold.
int scaled(int a, int b, int c) {
    return c == 0 ? 0 : int(int64_t(a) * b / c);
}
} // namespace

QSize FitPreviewClient(const FitInput& in) {
    const int needW = in.formClient.width() - in.panelClient.width() + in.picture.width() + 10;
    const int needH = in.formClient.height() - in.panelClient.height() + in.picture.height() + 10;
    const int screenW = in.screen.width();
    const int screenH = in.screen.height();
    if (needH > screenH) {
        const int h = screenH - in.captionHeight;
        const int w = scaled(h, needW, needH);
        // A picture both taller and much wider than the screen would still leave the
        // window wider than the screen, its close box out of reach: it is brought to the
        // screen's width as well, keeping the proportion.
        if (w > screenW)
            return {screenW, scaled(h, screenW, w)};
        return {w, h};
    }
    if (needW > screenW)
        return {screenW, scaled(needH, screenW, needW)};
    return {needW, needH};
}

QPoint CentredPosition(QSize screen, QSize window) {
    return {(screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2};
}

namespace {
QString fileNamePart(const QString& path) {
    return platform::displayName(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
}
QString directoryPart(const QString& path) {
    return platform::displayName(path.left(path.lastIndexOf(QLatin1Char('/')) + 1));
}
QString caption(int index, int fileCount, const QString& gap, const QString& path) {
    return QString::number(index + 1) + QLatin1Char('/') + QString::number(fileCount) + gap +
           fileNamePart(path);
}
} // namespace

QString ShownCaption(int index, int fileCount, const QString& path) {
    return caption(index, fileCount, QStringLiteral(" "), path);
}

QString SteppedCaption(int index, int fileCount, const QString& path) {
    return caption(index, fileCount, QStringLiteral("  "), path);
}

QString PreviewHint(const QString& caption, const QString& path) {
    return caption + QStringLiteral(" ( ") + directoryPart(path) + QStringLiteral(" ) ");
}

} // namespace preview

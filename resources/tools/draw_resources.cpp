// Paints the program's icons, cursors and button pictures and writes them as PNG files.
// The PNGs are committed; run this only to change the artwork:
//   cmake -S . -B build -DZELMO_DRAW_RESOURCES=ON && cmake --build build --target draw_resources
//   build/resources/tools/draw_resources resources/images
// Style: small flat pictures in the bright 16-colour palette, 1-pixel black outlines,
// no anti-aliasing, so that every pixel is placed on purpose.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

// The palette.
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kSilver(192, 192, 192);
const QColor kGrey(128, 128, 128);
const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);
const QColor kTeal(0, 128, 128);
const QColor kAqua(0, 255, 255);
const QColor kGreen(0, 160, 0);
const QColor kLime(0, 255, 0);
const QColor kMaroon(128, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kFolder(255, 224, 96);
const QColor kFolderDark(200, 160, 0);
const QColor kOrange(255, 160, 0);
const QColor kPink(255, 160, 192);
const QColor kSkin(255, 216, 168);
const QColor kSkinDark(224, 168, 112);
const QColor kBrown(176, 104, 40);
const QColor kTan(240, 200, 144);
const QColor kMascot(80, 208, 80);
const QColor kLightCyan(192, 255, 255);

QImage canvas(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

void px(QImage& img, int x, int y, const QColor& c) {
    if (x >= 0 && y >= 0 && x < img.width() && y < img.height())
        img.setPixelColor(x, y, c);
}

// Inclusive rectangle x0..x1, y0..y1.
void box(QImage& img, int x0, int y0, int x1, int y1, const QColor& c) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            px(img, x, y, c);
}

void hline(QImage& img, int x0, int x1, int y, const QColor& c) {
    box(img, x0, y, x1, y, c);
}
void vline(QImage& img, int x, int y0, int y1, const QColor& c) {
    box(img, x, y0, x, y1, c);
}

// Filled ellipse inside the inclusive box, evaluated per pixel centre (symmetric).
void ellipse(QImage& img, int x0, int y0, int x1, int y1, const QColor& c) {
    const double cx = (x0 + x1) / 2.0, cy = (y0 + y1) / 2.0;
    const double rx = (x1 - x0 + 1) / 2.0, ry = (y1 - y0 + 1) / 2.0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const double dx = (x - cx) / rx, dy = (y - cy) / ry;
            if (dx * dx + dy * dy <= 1.0)
                px(img, x, y, c);
        }
}

void polygon(QImage& img, const QPolygon& poly, const QColor& c) {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(poly);
}

void line(QImage& img, int x0, int y0, int x1, int y1, const QColor& c, int width = 1) {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(x0, y0, x1, y1);
}

// Every transparent pixel that touches a painted one (left, right, above, below) becomes
// an outline pixel; corners stay open, which rounds the shapes a little.
void outline(QImage& img, const QColor& c = kBlack) {
    const QImage src = img;
    auto painted = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < src.width() && y < src.height() &&
               src.pixelColor(x, y).alpha() > 0;
    };
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            if (!painted(x, y) &&
                (painted(x - 1, y) || painted(x + 1, y) || painted(x, y - 1) || painted(x, y + 1)))
                img.setPixelColor(x, y, c);
}

void blit(QImage& dst, const QImage& src, int x, int y) {
    QPainter p(&dst);
    p.drawImage(x, y, src);
}

// The greyed picture of a disabled button: the black and dark lines of the picture, embossed in
// white and grey, as buttons of that time drew them.
QImage greyed(const QImage& src) {
    QImage out = canvas(src.width(), src.height());
    auto dark = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= src.width() || y >= src.height())
            return false;
        const QColor c = src.pixelColor(x, y);
        return c.alpha() > 0 && qGray(c.rgb()) < 64;
    };
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            if (dark(x - 1, y - 1))
                out.setPixelColor(x, y, kWhite);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            if (dark(x, y))
                out.setPixelColor(x, y, kGrey);
    return out;
}

// Normal and disabled side by side.
QImage twoState(const QImage& normal) {
    QImage out = canvas(normal.width() * 2, normal.height());
    blit(out, normal, 0, 0);
    blit(out, greyed(normal), normal.width(), 0);
    return out;
}

// ---- small parts used by several pictures ------------------------------------------

// A folder: tab on the upper left, body below; x0..x1, y0..y1 is the whole folder.
void folder(QImage& img, int x0, int y0, int x1, int y1) {
    QImage f = canvas(img.width(), img.height());
    box(f, x0 + 1, y0, x0 + (x1 - x0) / 3, y0 + 1, kFolder);
    box(f, x0, y0 + 2, x1, y1, kFolder);
    outline(f);
    hline(f, x0, x1, y0 + 2, kFolderDark);
    hline(f, x0 + 1, x1, y0 + 3, kWhite);
    blit(img, f, 0, 0);
}

// A magnifying glass with its lens centred at cx, cy of radius r.
void magnifier(QImage& img, int cx, int cy, int r, int handle) {
    QImage m = canvas(img.width(), img.height());
    line(m, cx + r - 1, cy + r - 1, cx + r + handle, cy + r + handle, kMaroon, 3);
    ellipse(m, cx - r, cy - r, cx + r, cy + r, kNavy);
    ellipse(m, cx - r + 2, cy - r + 2, cx + r - 2, cy + r - 2, kLightCyan);
    px(m, cx - r + 3, cy - r + 4, kWhite);
    px(m, cx - r + 4, cy - r + 3, kWhite);
    px(m, cx - r + 3, cy - r + 5, kWhite);
    outline(m);
    blit(img, m, 0, 0);
}

// A window: title bar, white inside.
void window(QImage& img, int x0, int y0, int x1, int y1, int titleHeight = 3) {
    box(img, x0, y0, x1, y1, kBlack);
    box(img, x0 + 1, y0 + 1, x1 - 1, y0 + titleHeight, kNavy);
    box(img, x0 + 1, y0 + titleHeight + 1, x1 - 1, y1 - 1, kWhite);
    if (x1 - x0 > 8)
        box(img, x1 - 3, y0 + 1, x1 - 2, y0 + titleHeight - 1, kSilver);
}

void arrowDown(QImage& img, int cx, int y0, int y1, const QColor& c) {
    QImage a = canvas(img.width(), img.height());
    const int head = 4;
    box(a, cx - 1, y0, cx + 1, y1 - head, c);
    for (int i = 0; i <= head; ++i)
        hline(a, cx - head + i, cx + head - i, y1 - head + i, c);
    outline(a);
    blit(img, a, 0, 0);
}

void arrowUp(QImage& img, int cx, int y0, int y1, const QColor& c) {
    QImage a = canvas(img.width(), img.height());
    const int head = 4;
    for (int i = 0; i <= head; ++i)
        hline(a, cx - i, cx + i, y0 + i, c);
    box(a, cx - 1, y0 + head + 1, cx + 1, y1, c);
    outline(a);
    blit(img, a, 0, 0);
}

void star(QImage& img, int cx, int cy, int r, const QColor& c) {
    QPolygon poly;
    for (int i = 0; i < 10; ++i) {
        const double a = -M_PI / 2 + i * M_PI / 5;
        const double rr = (i % 2 == 0) ? r : r * 0.45;
        poly << QPoint(qRound(cx + rr * std::cos(a)), qRound(cy + rr * std::sin(a)));
    }
    polygon(img, poly, c);
}

// ---- icons ---------------------------------------------------------------------------

QImage mainIcon32() {
    QImage img = canvas(32, 32);
    // A raised launcher button with a bold Z on it.
    box(img, 1, 1, 30, 30, kTeal);
    hline(img, 1, 30, 1, kAqua);
    vline(img, 1, 1, 30, kAqua);
    hline(img, 2, 30, 30, kNavy);
    vline(img, 30, 2, 30, kNavy);
    QImage z = canvas(32, 32);
    polygon(z,
            QPolygon({{7, 6},
                      {25, 6},
                      {25, 10},
                      {13, 21},
                      {25, 21},
                      {25, 25},
                      {7, 25},
                      {7, 21},
                      {19, 10},
                      {7, 10}}),
            kYellow);
    outline(z);
    blit(img, z, 0, 0);
    QImage frame = canvas(32, 32);
    box(frame, 1, 1, 30, 30, kTeal);
    outline(frame);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (frame.pixelColor(x, y) == kBlack)
                img.setPixelColor(x, y, kBlack);
    return img;
}

QImage mainIcon16() {
    QImage img = canvas(16, 16);
    box(img, 1, 1, 14, 14, kTeal);
    hline(img, 1, 14, 1, kAqua);
    vline(img, 1, 1, 14, kAqua);
    hline(img, 2, 14, 14, kNavy);
    vline(img, 14, 2, 14, kNavy);
    QImage z = canvas(16, 16);
    polygon(z,
            QPolygon({{4, 3},
                      {12, 3},
                      {12, 5},
                      {7, 10},
                      {12, 10},
                      {12, 12},
                      {4, 12},
                      {4, 10},
                      {9, 5},
                      {4, 5}}),
            kYellow);
    outline(z);
    blit(img, z, 0, 0);
    QImage frame = canvas(16, 16);
    box(frame, 1, 1, 14, 14, kTeal);
    outline(frame);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (frame.pixelColor(x, y) == kBlack)
                img.setPixelColor(x, y, kBlack);
    return img;
}

// Zelu: a round green fellow with two antennae.
QImage zelu() {
    QImage img = canvas(32, 32);
    line(img, 11, 9, 8, 3, kBlack);
    line(img, 20, 9, 23, 3, kBlack);
    ellipse(img, 6, 1, 9, 4, kYellow);
    ellipse(img, 22, 1, 25, 4, kYellow);
    ellipse(img, 3, 7, 28, 29, kMascot);
    outline(img);
    // Eyes.
    ellipse(img, 8, 12, 14, 20, kBlack);
    ellipse(img, 17, 12, 23, 20, kBlack);
    ellipse(img, 9, 13, 13, 19, kWhite);
    ellipse(img, 18, 13, 22, 19, kWhite);
    box(img, 11, 15, 12, 18, kBlack);
    box(img, 19, 15, 20, 18, kBlack);
    px(img, 11, 15, kWhite);
    px(img, 19, 15, kWhite);
    // Cheeks and smile.
    box(img, 5, 21, 7, 22, kPink);
    box(img, 24, 21, 26, 22, kPink);
    hline(img, 12, 19, 25, kBlack);
    px(img, 11, 24, kBlack);
    px(img, 20, 24, kBlack);
    hline(img, 13, 18, 26, kRed);
    hline(img, 14, 17, 27, kBlack);
    px(img, 13, 26, kBlack);
    px(img, 18, 26, kBlack);
    // Shine on the head.
    box(img, 9, 9, 11, 9, kLime);
    box(img, 7, 10, 8, 10, kLime);
    return img;
}

QImage kuma() {
    QImage img = canvas(32, 32);
    ellipse(img, 2, 2, 11, 11, kBrown);
    ellipse(img, 20, 2, 29, 11, kBrown);
    ellipse(img, 3, 6, 28, 30, kBrown);
    outline(img);
    ellipse(img, 5, 5, 8, 8, kTan);
    ellipse(img, 23, 5, 26, 8, kTan);
    // Muzzle.
    ellipse(img, 10, 17, 21, 27, kTan);
    ellipse(img, 13, 17, 18, 20, kBlack);
    px(img, 14, 18, kGrey);
    vline(img, 15, 21, 23, kBlack);
    vline(img, 16, 21, 23, kBlack);
    hline(img, 13, 14, 24, kBlack);
    hline(img, 17, 18, 24, kBlack);
    px(img, 12, 23, kBlack);
    px(img, 19, 23, kBlack);
    // Eyes.
    box(img, 9, 13, 10, 15, kBlack);
    box(img, 21, 13, 22, 15, kBlack);
    px(img, 9, 13, kWhite);
    px(img, 21, 13, kWhite);
    box(img, 5, 20, 7, 21, kPink);
    box(img, 24, 20, 26, 21, kPink);
    return img;
}

QImage usagi() {
    QImage img = canvas(32, 32);
    ellipse(img, 7, 0, 13, 17, kWhite);
    ellipse(img, 18, 0, 24, 17, kWhite);
    ellipse(img, 4, 12, 27, 30, kWhite);
    outline(img);
    // Lines where the ears meet the head.
    hline(img, 8, 12, 13, kSilver);
    hline(img, 19, 23, 13, kSilver);
    ellipse(img, 9, 3, 11, 12, kPink);
    ellipse(img, 20, 3, 22, 12, kPink);
    // Eyes with a highlight, nose, a small mouth, cheeks.
    box(img, 10, 18, 11, 20, kBlack);
    box(img, 20, 18, 21, 20, kBlack);
    px(img, 10, 18, kWhite);
    px(img, 20, 18, kWhite);
    box(img, 15, 22, 16, 23, kPink);
    px(img, 15, 24, kBlack);
    px(img, 16, 24, kBlack);
    px(img, 14, 25, kBlack);
    px(img, 17, 25, kBlack);
    px(img, 13, 24, kBlack);
    px(img, 18, 24, kBlack);
    box(img, 6, 23, 8, 24, kPink);
    box(img, 23, 23, 25, 24, kPink);
    // Whiskers.
    hline(img, 3, 6, 21, kGrey);
    hline(img, 25, 28, 21, kGrey);
    return img;
}

// The splash picture: a happy star.
QImage splash() {
    QImage img = canvas(32, 32);
    star(img, 16, 17, 15, kYellow);
    outline(img);
    box(img, 12, 14, 13, 16, kBlack);
    box(img, 18, 14, 19, 16, kBlack);
    hline(img, 13, 18, 21, kBlack);
    px(img, 12, 20, kBlack);
    px(img, 19, 20, kBlack);
    hline(img, 14, 17, 22, kRed);
    box(img, 9, 18, 10, 19, kOrange);
    box(img, 21, 18, 22, 19, kOrange);
    return img;
}

// ---- hand cursors ------------------------------------------------------------------

// Fingers: x of the left fill column and top row of each finger (fill is 2 wide).
QImage hand(int indexTop, bool flat) {
    QImage img = canvas(32, 32);
    const int palmTop = 13;
    if (flat) {
        // Open hand, fingers together, pointing up.
        box(img, 9, 3, 10, palmTop, kSkin);
        box(img, 12, 1, 13, palmTop, kSkin);
        box(img, 15, 2, 16, palmTop, kSkin);
        box(img, 18, 4, 19, palmTop, kSkin);
    } else {
        box(img, 9, indexTop, 10, palmTop, kSkin);
        box(img, 12, 9, 13, palmTop, kSkin);
        box(img, 15, 10, 16, palmTop, kSkin);
        box(img, 18, 11, 19, palmTop, kSkin);
    }
    // Thumb, reaching out to the left.
    box(img, 4, 12, 6, 13, kSkin);
    box(img, 5, 14, 7, 15, kSkin);
    box(img, 6, 16, 8, 17, kSkin);
    // Palm.
    box(img, 9, palmTop, 19, 21, kSkin);
    box(img, 8, 17, 8, 20, kSkin);
    box(img, 10, 22, 18, 23, kSkin);
    // Cuff.
    box(img, 10, 25, 18, 28, kWhite);
    outline(img);
    hline(img, 10, 18, 24, kBlack);
    // Shade on the right side of each finger and the palm.
    const int tops[4] = {flat ? 3 : indexTop, flat ? 1 : 9, flat ? 2 : 10, flat ? 4 : 11};
    for (int i = 0; i < 4; ++i)
        vline(img, 10 + 3 * i, tops[i] + 1, palmTop - 1, kSkinDark);
    vline(img, 19, palmTop, 21, kSkinDark);
    hline(img, 11, 18, 23, kSkinDark);
    // Knuckle creases.
    px(img, 11, palmTop + 1, kSkinDark);
    px(img, 14, palmTop + 1, kSkinDark);
    px(img, 17, palmTop + 1, kSkinDark);
    hline(img, 11, 17, 27, kSilver);
    return img;
}

QImage handPoint() {
    return hand(1, false);
}
QImage handFlat() {
    return hand(0, true);
}

// Pressing: the index finger pushed down, with small strokes where it hits.
QImage handHit() {
    QImage img = hand(5, false);
    px(img, 7, 3, kRed);
    px(img, 6, 2, kRed);
    px(img, 12, 3, kRed);
    px(img, 13, 2, kRed);
    vline(img, 9, 1, 2, kRed);
    vline(img, 10, 1, 2, kRed);
    return img;
}

// ---- control page pictures (24 x 24) -------------------------------------------------

QImage glyphClose() {
    QImage img = canvas(24, 24);
    // Doorway, door swung open, and the way out.
    box(img, 4, 2, 14, 21, kTeal);
    outline(img);
    QImage d = canvas(24, 24);
    polygon(d, QPolygon({{5, 3}, {10, 6}, {10, 23}, {5, 21}}), kBrown);
    outline(d);
    px(d, 9, 13, kYellow);
    blit(img, d, 0, 0);
    QImage a = canvas(24, 24);
    box(a, 12, 10, 17, 13, kRed);
    for (int i = 0; i <= 5; ++i)
        vline(a, 17 + i, 6 + i, 17 - i, kRed);
    outline(a);
    blit(img, a, 0, 0);
    return img;
}

QImage viewerWindow() {
    QImage img = canvas(24, 24);
    window(img, 1, 1, 20, 14);
    for (int i = 0; i < 3; ++i) {
        box(img, 3, 6 + 3 * i, 4, 7 + 3 * i, kFolder);
        hline(img, 6, 14 - 2 * i, 7 + 3 * i, kGrey);
    }
    return img;
}

QImage glyphViewerOpen() {
    QImage img = viewerWindow();
    arrowDown(img, 17, 12, 22, kLime);
    return img;
}

QImage glyphViewerClose() {
    QImage img = viewerWindow();
    arrowUp(img, 17, 12, 22, kRed);
    return img;
}

QImage glyphZoom(bool in) {
    QImage img = canvas(24, 24);
    magnifier(img, 9, 9, 7, 5);
    box(img, 5, 8, 13, 10, kNavy);
    if (in)
        box(img, 8, 5, 10, 13, kNavy);
    return img;
}

QImage glyphMax() {
    QImage img = canvas(24, 24);
    window(img, 1, 1, 22, 22, 4);
    box(img, 3, 8, 20, 20, kLightCyan);
    return img;
}

QImage glyphNormal() {
    QImage img = canvas(24, 24);
    window(img, 8, 1, 22, 14);
    window(img, 1, 8, 15, 22);
    return img;
}

QImage glyphMinimize() {
    QImage img = canvas(24, 24);
    arrowDown(img, 11, 2, 14, kNavy);
    QImage bar = canvas(24, 24);
    box(bar, 4, 18, 19, 20, kTeal);
    outline(bar);
    blit(img, bar, 0, 0);
    return img;
}

QImage glyphDirPanel() {
    QImage img = canvas(24, 24);
    // A little directory tree.
    vline(img, 4, 8, 19, kGrey);
    hline(img, 5, 8, 12, kGrey);
    hline(img, 5, 8, 19, kGrey);
    folder(img, 1, 1, 10, 7);
    folder(img, 10, 9, 19, 15);
    folder(img, 10, 16, 19, 22);
    return img;
}

QImage glyphFindDir() {
    QImage img = canvas(24, 24);
    folder(img, 1, 3, 17, 16);
    magnifier(img, 14, 13, 5, 4);
    return img;
}

QImage glyphMakeDir() {
    QImage img = canvas(24, 24);
    folder(img, 1, 7, 17, 21);
    QImage s = canvas(24, 24);
    star(s, 17, 6, 6, kYellow);
    outline(s);
    blit(img, s, 0, 0);
    return img;
}

QImage glyphEdit() {
    QImage img = canvas(24, 24);
    box(img, 2, 2, 15, 21, kWhite);
    outline(img);
    for (int y = 5; y <= 18; y += 3)
        hline(img, 4, 13, y, kBlue);
    // Pencil, lying from upper right to lower left.
    QImage p = canvas(24, 24);
    polygon(p, QPolygon({{20, 3}, {22, 5}, {12, 15}, {10, 13}}), kYellow);
    polygon(p, QPolygon({{20, 3}, {22, 5}, {21, 6}, {19, 4}}), kPink);
    polygon(p, QPolygon({{10, 13}, {12, 15}, {9, 17}, {8, 16}}), kTan);
    outline(p);
    px(p, 8, 17, kBlack);
    blit(img, p, 0, 0);
    return img;
}

QImage glyphTray() {
    QImage img = canvas(24, 24);
    // Task bar with the tray on its right, an arrow going into it.
    box(img, 0, 15, 23, 22, kSilver);
    hline(img, 0, 23, 15, kWhite);
    hline(img, 0, 23, 22, kGrey);
    box(img, 11, 17, 22, 21, kSilver);
    hline(img, 11, 22, 17, kGrey);
    vline(img, 11, 17, 21, kGrey);
    hline(img, 12, 22, 21, kWhite);
    box(img, 13, 18, 15, 20, kRed);
    box(img, 17, 18, 21, 20, kBlack);
    hline(img, 18, 20, 19, kLime);
    box(img, 2, 17, 8, 20, kSilver);
    hline(img, 2, 8, 17, kWhite);
    hline(img, 2, 8, 20, kBlack);
    vline(img, 8, 17, 20, kBlack);
    box(img, 3, 18, 4, 19, kTeal);
    arrowDown(img, 17, 1, 13, kBlue);
    return img;
}

// Information: a meter dial (28 x 28, for the larger button).
QImage glyphMeter() {
    QImage img = canvas(28, 28);
    ellipse(img, 1, 1, 26, 26, kWhite);
    outline(img);
    // Coloured scale: green, yellow, red from left to right over the top half.
    for (int y = 3; y <= 13; ++y)
        for (int x = 3; x <= 24; ++x) {
            const double dx = x - 13.5, dy = y - 13.5;
            const double r = std::sqrt(dx * dx + dy * dy);
            if (r < 8.5 || r > 11.5)
                continue;
            const QColor c = x < 10 ? kLime : (x < 18 ? kYellow : kRed);
            px(img, x, y, c);
        }
    line(img, 13, 14, 20, 6, kBlack);
    line(img, 14, 14, 21, 6, kBlack);
    ellipse(img, 11, 12, 16, 17, kNavy);
    box(img, 7, 20, 20, 23, kBlack);
    box(img, 8, 21, 19, 22, kLime);
    box(img, 15, 21, 19, 22, kTeal);
    return img;
}

// ---- directory pictures (16 x 16 each, transparent colour RGB(128,128,0)) -----------

QImage dirImages() {
    QImage strip = canvas(80, 16);
    // 0: closed folder.
    {
        QImage f = canvas(16, 16);
        folder(f, 1, 2, 14, 13);
        blit(strip, f, 0, 0);
    }
    // 1: open folder.
    {
        QImage f = canvas(16, 16);
        box(f, 1, 2, 5, 3, kFolderDark);
        box(f, 1, 4, 12, 13, kFolderDark);
        outline(f);
        QImage front = canvas(16, 16);
        polygon(front, QPolygon({{4, 7}, {15, 7}, {12, 13}, {1, 13}}), kFolder);
        outline(front);
        hline(front, 4, 13, 8, kWhite);
        blit(f, front, 0, 0);
        blit(strip, f, 16, 0);
    }
    // 2: fixed drive.
    {
        QImage d = canvas(16, 16);
        box(d, 1, 6, 14, 11, kSilver);
        outline(d);
        hline(d, 1, 14, 6, kWhite);
        hline(d, 1, 14, 10, kGrey);
        hline(d, 1, 14, 11, kGrey);
        box(d, 11, 8, 12, 8, kLime);
        hline(d, 3, 7, 8, kGrey);
        blit(strip, d, 32, 0);
    }
    // 3: removable drive (a disk).
    {
        QImage d = canvas(16, 16);
        box(d, 2, 2, 13, 13, kNavy);
        outline(d);
        box(d, 5, 2, 10, 6, kSilver);
        box(d, 8, 3, 9, 5, kNavy);
        box(d, 4, 9, 11, 13, kWhite);
        hline(d, 5, 10, 11, kBlue);
        blit(strip, d, 48, 0);
    }
    // 4: optical drive (a disc).
    {
        QImage d = canvas(16, 16);
        ellipse(d, 1, 1, 14, 14, kSilver);
        outline(d);
        ellipse(d, 3, 3, 12, 12, kLightCyan);
        px(d, 4, 6, kPink);
        px(d, 5, 5, kPink);
        px(d, 6, 4, kYellow);
        px(d, 11, 9, kPink);
        px(d, 10, 10, kYellow);
        ellipse(d, 6, 6, 9, 9, kGrey);
        box(d, 7, 7, 8, 8, kWhite);
        blit(strip, d, 64, 0);
    }
    QImage out(80, 16, QImage::Format_RGB32);
    out.fill(QColor(128, 128, 0));
    blit(out, strip, 0, 0);
    return out;
}

bool save(const QImage& img, const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(path), img.width(), img.height());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: draw_resources <output folder>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    auto out = [&](const QImage& img, const QString& name) { ok &= save(img, dir + "/" + name); };
    out(mainIcon32(), "MAINICON.png");
    out(mainIcon16(), "MAINICON16.png");
    out(zelu(), "ZELU.png");
    out(kuma(), "KUMA.png");
    out(usagi(), "USAGI.png");
    out(splash(), "SPLASH.png");
    out(handPoint(), "HANDPNT.png");
    out(handFlat(), "HANDFLAT.png");
    out(handHit(), "HANDHIT.png");
    out(dirImages(), "DIRIMGS.png");
    out(twoState(glyphClose()), "glyphs/CloseButton.png");
    out(twoState(glyphViewerOpen()), "glyphs/VierButton.png");
    out(twoState(glyphViewerClose()), "glyphs/VierCloseBottun.png");
    out(twoState(glyphZoom(false)), "glyphs/ZoomoutSB.png");
    out(twoState(glyphZoom(true)), "glyphs/ZoomInSB.png");
    out(twoState(glyphMax()), "glyphs/SBMax.png");
    out(twoState(glyphNormal()), "glyphs/SBNor.png");
    out(twoState(glyphMinimize()), "glyphs/MinimizeButton.png");
    out(twoState(glyphDirPanel()), "glyphs/DirSPB.png");
    out(twoState(glyphFindDir()), "glyphs/FindDirSPB.png");
    out(twoState(glyphMakeDir()), "glyphs/MKDirSB.png");
    out(twoState(glyphEdit()), "glyphs/EditB.png");
    out(twoState(glyphTray()), "glyphs/TRayButton.png");
    out(twoState(glyphMeter()), "glyphs/SBP.png");
    return ok ? 0 : 1;
}

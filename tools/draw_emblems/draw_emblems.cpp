// draw_emblems: draws the program's pictures into a folder: the frame's icon
// "Lsg5.ico", the frame's picture "Lsg8.bmp" and the main menu's picture "Lom.bmp".
// The emblem is the pawnbroker's sign, three golden balls hanging from a bar, on a
// dark medallion with a gold ring.
//
//     QT_QPA_PLATFORM=offscreen draw_emblems assets/
//
// The files in assets/ were made with it; run it again after changing a picture.
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <algorithm>
#include <cstdio>

namespace {

const QColor kGoldLight(0xF6, 0xE2, 0x9A);
const QColor kGold(0xD4, 0xA5, 0x37);
const QColor kGoldDark(0x8A, 0x62, 0x12);
const QColor kNavy(0x17, 0x2B, 0x45);
const QColor kNavyLight(0x2C, 0x4A, 0x70);

void goldBall(QPainter& p, QPointF c, qreal r) {
    QRadialGradient g(c + QPointF(-r * 0.35, -r * 0.4), r * 1.35);
    g.setColorAt(0.0, QColor(0xFF, 0xF8, 0xDC));
    g.setColorAt(0.25, kGoldLight);
    g.setColorAt(0.6, kGold);
    g.setColorAt(1.0, kGoldDark);
    p.setPen(QPen(kGoldDark.darker(130), r * 0.06));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
}

// The medallion inside the square `box`.
void emblem(QPainter& p, const QRectF& box) {
    p.save();
    const qreal s = box.width();
    const QPointF c = box.center();
    const qreal outer = s * 0.48;

    // gold ring
    QLinearGradient ring(box.topLeft(), box.bottomRight());
    ring.setColorAt(0.0, kGoldLight);
    ring.setColorAt(0.5, kGold);
    ring.setColorAt(1.0, kGoldDark);
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(c, outer, outer);

    // dark field
    const qreal inner = outer * 0.88;
    QRadialGradient field(c + QPointF(0, -inner * 0.3), inner * 1.3);
    field.setColorAt(0.0, kNavyLight);
    field.setColorAt(1.0, kNavy);
    p.setBrush(field);
    p.drawEllipse(c, inner, inner);

    // the bar with its scrolled ends
    const qreal barY = c.y() - inner * 0.52;
    const qreal barHalf = inner * 0.62;
    QLinearGradient bar(QPointF(0, barY - s * 0.03), QPointF(0, barY + s * 0.03));
    bar.setColorAt(0.0, kGoldLight);
    bar.setColorAt(1.0, kGoldDark);
    p.setBrush(bar);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(c.x() - barHalf, barY - s * 0.022, 2 * barHalf, s * 0.044), s * 0.02,
                      s * 0.02);
    p.setBrush(kGold);
    p.drawEllipse(QPointF(c.x() - barHalf, barY), s * 0.035, s * 0.035);
    p.drawEllipse(QPointF(c.x() + barHalf, barY), s * 0.035, s * 0.035);

    // three balls: two above, one below, each on its rod
    const qreal r = inner * 0.24;
    const QPointF left(c.x() - inner * 0.33, c.y() + inner * 0.02);
    const QPointF right(c.x() + inner * 0.33, c.y() + inner * 0.02);
    const QPointF low(c.x(), c.y() + inner * 0.5);
    p.setPen(QPen(kGold, std::max<qreal>(1.0, s * 0.018), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(left.x(), barY), left);
    p.drawLine(QPointF(right.x(), barY), right);
    p.drawLine(QPointF(low.x(), barY), low);
    goldBall(p, low, r);
    goldBall(p, left, r);
    goldBall(p, right, r);
    p.restore();
}

// The icon: the medallion alone on a clear background; at small sizes only the balls.
QImage icon(int size) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    emblem(p, QRectF(0, 0, size, size));
    return img;
}

void caption(QPainter& p, const QRectF& r, const QString& text, int pixelSize, const QColor& color,
             bool bold) {
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(color);
    p.drawText(r, Qt::AlignCenter, text);
}

// The frame's picture: a light parchment field with the medallion and the system's name.
// Windows show their picture scaled to cover them and centred, so everything that
// matters keeps well away from the edges.
QImage framePicture() {
    const int w = 1024, h = 720;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0.0, QColor(0xF4, 0xEE, 0xE0));
    bg.setColorAt(1.0, QColor(0xE2, 0xD6, 0xBC));
    p.fillRect(img.rect(), bg);
    emblem(p, QRectF(w / 2.0 - 130, 150, 260, 260));
    caption(p, QRectF(0, 440, w, 60), QString::fromUtf8("Автоматизация работы ломбарда"), 40,
            QColor(0x4A, 0x32, 0x14), true);
    caption(p, QRectF(0, 500, w, 40), QString::fromUtf8("кассовый учёт залогов и ссуд"), 22,
            QColor(0x7A, 0x5A, 0x2E), false);
    return img;
}

// The main menu's picture: the medallion on a deep blue field with "Ломбард" in gold.
QImage menuPicture() {
    const int w = 900, h = 520;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient bg(0, 0, w, h);
    bg.setColorAt(0.0, QColor(0x22, 0x3A, 0x5E));
    bg.setColorAt(1.0, QColor(0x0F, 0x1D, 0x33));
    p.fillRect(img.rect(), bg);
    emblem(p, QRectF(70, 120, 280, 280));
    caption(p, QRectF(380, 170, 480, 90), QString::fromUtf8("Ломбард"), 76, kGoldLight, true);
    p.setPen(QPen(kGold, 2));
    p.drawLine(QPointF(440, 275), QPointF(800, 275));
    caption(p, QRectF(380, 290, 480, 50), QString::fromUtf8("выдача ссуд под залог"), 26,
            QColor(0xE8, 0xD9, 0xB0), false);
    caption(p, QRectF(380, 330, 480, 50), QString::fromUtf8("ювелирных изделий"), 26,
            QColor(0xE8, 0xD9, 0xB0), false);
    return img;
}

bool save(const QImage& img, const QString& path, const char* format) {
    QImageWriter w(path, format);
    // The pictures are kept with a palette of 256 colours, a third of the size of true
    // colour; dithering keeps the gradients smooth.
    const bool bmp = qstrcmp(format, "bmp") == 0;
    if (w.write(bmp ? img.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither) : img))
        return true;
    std::fprintf(stderr, "draw_emblems: %s: %s\n", qPrintable(path), qPrintable(w.errorString()));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_emblems FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    bool ok = save(icon(64), dir.filePath(QStringLiteral("Lsg5.ico")), "ico");
    ok = save(framePicture(), dir.filePath(QStringLiteral("Lsg8.bmp")), "bmp") && ok;
    ok = save(menuPicture(), dir.filePath(QStringLiteral("Lom.bmp")), "bmp") && ok;
    return ok ? 0 : 1;
}

// Draws the console's pictures: the banner over the pages, the two registers
// on the connection page, the vendor's emblem and the window icon.
//   kasmon_pictures <output directory>
#include <QApplication>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

QFont font(int pixels, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// A cash register seen from the front: printer on top with its tape, display, keys.
void drawRegister(QPainter& p, const QRectF& body, const QColor& shell, int keyColumns,
                  bool wideDisplay) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tape(body.left() + body.width() * 0.55, body.top() - 22, 22, 30);
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.setBrush(QColor(252, 252, 244));
    p.drawRect(tape);
    for (int i = 0; i < 4; ++i) {
        p.drawLine(QPointF(tape.left() + 4, tape.top() + 5 + i * 5),
                   QPointF(tape.right() - 4 - (i % 2) * 5, tape.top() + 5 + i * 5));
    }
    p.setPen(QPen(shell.darker(170), 1.5));
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, shell.lighter(125));
    g.setColorAt(1, shell.darker(115));
    p.setBrush(g);
    p.drawRoundedRect(body, 8, 8);
    p.setBrush(shell.darker(160));
    p.drawRect(QRectF(tape.left() - 6, body.top() + 4, tape.width() + 12, 5));

    const QRectF display(body.left() + 8, body.top() + 14,
                         wideDisplay ? body.width() - 16 : body.width() * 0.5, 16);
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(QColor(40, 70, 40));
    p.drawRoundedRect(display, 2, 2);
    p.setPen(QColor(140, 255, 140));
    p.setFont(font(10, true));
    p.drawText(display.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignRight,
               QStringLiteral("0.00"));

    const double keysTop = display.bottom() + 8;
    const double keyW = (body.width() - 16 - (keyColumns - 1) * 3) / keyColumns;
    const int rows = 4;
    const double keyH = (body.bottom() - 8 - keysTop - (rows - 1) * 3) / rows;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < keyColumns; ++c) {
            const QRectF key(body.left() + 8 + c * (keyW + 3), keysTop + r * (keyH + 3), keyW,
                             keyH);
            const bool function = c == keyColumns - 1;
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(function ? QColor(200, 80, 60) : QColor(235, 235, 228));
            p.drawRoundedRect(key, 2, 2);
        }
    }
    p.restore();
}

QImage banner() {
    QImage img(499, 56, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 499, 0);
    g.setColorAt(0, QColor(16, 40, 96));
    g.setColorAt(0.7, QColor(24, 96, 140));
    g.setColorAt(1, QColor(60, 150, 170));
    p.fillRect(img.rect(), g);
    // A receipt strip as the mark.
    QPainterPath receipt;
    receipt.moveTo(14, 6);
    receipt.lineTo(44, 6);
    receipt.lineTo(44, 46);
    for (int i = 0; i < 6; ++i) {
        receipt.lineTo(44 - i * 5 - 2.5, 50);
        receipt.lineTo(44 - (i + 1) * 5, 46);
    }
    receipt.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 240));
    p.drawPath(receipt);
    p.setPen(QPen(QColor(90, 90, 90), 1.5));
    for (int i = 0; i < 5; ++i) {
        p.drawLine(QPointF(19, 13 + i * 6), QPointF(i == 4 ? 30 : 39, 13 + i * 6));
    }
    p.setPen(QColor(255, 255, 255));
    p.setFont(font(24, true));
    p.drawText(QRect(58, 2, 260, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kasmon"));
    p.setPen(QColor(255, 214, 90));
    p.setFont(font(15, true));
    p.drawText(QRect(168, 2, 80, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("1.0"));
    p.setPen(QColor(215, 230, 245));
    p.setFont(font(11));
    p.drawText(QRect(58, 34, 430, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Сервисная программа для ЭККР \"RX-410F\" и \"RX-520L\""));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 60), 2));
    for (int i = 0; i < 6; ++i) {
        p.drawEllipse(QPointF(455, 28), 8 + i * 9, 8 + i * 9);
    }
    return img;
}

QImage registers() {
    QImage img(252, 124, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    drawRegister(p, QRectF(14, 30, 100, 88), QColor(70, 74, 84), 4, false);
    drawRegister(p, QRectF(140, 30, 100, 88), QColor(196, 200, 206), 5, true);
    return img;
}

QImage emblem() {
    QImage img(193, 100, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // An eye over a receipt: the watchful cashier.
    p.setPen(QPen(QColor(16, 40, 96), 3));
    p.setBrush(Qt::NoBrush);
    QPainterPath eye;
    eye.moveTo(60, 34);
    eye.quadTo(96, 4, 132, 34);
    eye.quadTo(96, 64, 60, 34);
    p.drawPath(eye);
    p.setBrush(QColor(24, 96, 140));
    p.drawEllipse(QPointF(96, 34), 11, 11);
    p.setBrush(QColor(255, 214, 90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(96, 34), 4, 4);
    p.setPen(QColor(16, 40, 96));
    p.setFont(font(13, true));
    p.drawText(QRect(0, 58, 193, 20), Qt::AlignCenter, QStringLiteral("НПП \"Зоркий Кассир\""));
    p.setFont(font(10));
    p.setPen(QColor(60, 60, 60));
    p.drawText(QRect(0, 78, 193, 18), Qt::AlignCenter, QStringLiteral("сервис кассовой техники"));
    return img;
}

QImage icon() {
    QImage img(64, 64, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    drawRegister(p, QRectF(6, 22, 52, 38), QColor(24, 96, 140), 3, true);
    return img;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kasmon_pictures <output directory>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const bool ok = banner().save(out.filePath(QStringLiteral("banner.png"))) &&
                    registers().save(out.filePath(QStringLiteral("registers.png"))) &&
                    emblem().save(out.filePath(QStringLiteral("emblem.png"))) &&
                    icon().save(out.filePath(QStringLiteral("kasmon.png")));
    return ok ? 0 : 1;
}

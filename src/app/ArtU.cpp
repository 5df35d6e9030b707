#include "app/ArtU.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace app {
namespace {

QPixmap badge(int side, const QColor& colour, const QString& glyph) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1, 1, side - 2, side - 2);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, colour.lighter(135));
    fill.setColorAt(1, colour.darker(115));
    painter.setBrush(fill);
    painter.setPen(QPen(colour.darker(160), 1));
    painter.drawRoundedRect(box, side / 6.0, side / 6.0);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(side * (glyph.size() > 1 ? 0.38 : 0.55));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, glyph);
    return pixmap;
}

// Draws text in white in the box, at the largest pixel size (up to the box's height) that fits its width.
void drawFitted(QPainter& painter, const QRectF& box, const QString& text, bool bold) {
    QFont font = painter.font();
    font.setBold(bold);
    for (int size = qMax(6, int(box.height())); size > 6; --size) {
        font.setPixelSize(size);
        if (QFontMetricsF(font).horizontalAdvance(text) <= box.width()) break;
    }
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
}

}  // namespace

QIcon CommandIcon(const QString& themeName, const QColor& colour, const QString& glyph) {
    QIcon fallback;
    for (int side : {16, 24, 32, 48}) fallback.addPixmap(badge(side, colour, glyph));
    return QIcon::fromTheme(themeName, fallback);
}

QPixmap AboutPicture(const QSize& size, const QString& versionText) {
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(0x1f, 0x3b, 0x73));
    sky.setColorAt(1, QColor(0x4a, 0x7f, 0xc1));
    painter.fillRect(pixmap.rect(), sky);

    // A raven's wing of three strokes, the program's mark.
    QPainterPath wing;
    const double w = size.width(), h = size.height();
    wing.moveTo(w * 0.08, h * 0.55);
    wing.cubicTo(w * 0.20, h * 0.20, w * 0.35, h * 0.18, w * 0.42, h * 0.30);
    wing.cubicTo(w * 0.32, h * 0.32, w * 0.24, h * 0.42, w * 0.08, h * 0.55);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawPath(wing);

    const QRectF textArea(w * 0.30, 0, w * 0.66, h);
    drawFitted(painter, QRectF(textArea.left(), h * 0.30, textArea.width(), h * 0.20), QStringLiteral("Corvane Invoicing"),
               true);
    drawFitted(painter, QRectF(textArea.left(), h * 0.52, textArea.width(), h * 0.10),
               QStringLiteral("Version %1").arg(versionText), false);
    drawFitted(painter, QRectF(textArea.left(), h * 0.64, textArea.width(), h * 0.10),
               QStringLiteral("Invoices, customers, products, reports and labels"), false);
    return pixmap;
}

}  // namespace app

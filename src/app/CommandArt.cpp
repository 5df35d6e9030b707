#include "app/CommandArt.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace app {
namespace {

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

// The files the pattern names for each side (%1) that the program carries.
QStringList pictureFiles(const QString& pattern, std::initializer_list<int> sides) {
    QStringList files;
    for (int side : sides)
        if (QFile::exists(pattern.arg(side))) files << pattern.arg(side);
    return files;
}

QIcon iconOf(const QStringList& files) {
    QIcon icon;
    for (const QString& file : files) icon.addFile(file);
    return icon;
}

const QString kProgramPicture = QStringLiteral(":/icons/app/%1x%1/corvane.png");
constexpr std::initializer_list<int> kProgramSides = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr std::initializer_list<int> kCommandSides = {16, 22, 24, 32};
QString commandPicture(const QString& themeName) {
    return QStringLiteral(":/icons/commands/%1x%1/") + themeName + QStringLiteral(".png");
}

}  // namespace

QIcon BundledIcon(const QString& themeName) { return iconOf(pictureFiles(commandPicture(themeName), kCommandSides)); }

QIcon CommandIcon(const QString& themeName) { return QIcon::fromTheme(themeName, BundledIcon(themeName)); }

QIcon ProgramIcon() { return iconOf(pictureFiles(kProgramPicture, kProgramSides)); }

bool PicturesPresent(const QStringList& themeNames) {
    if (pictureFiles(kProgramPicture, kProgramSides).size() != int(kProgramSides.size())) return false;
    for (const QString& name : themeNames)
        if (pictureFiles(commandPicture(name), kCommandSides).size() != int(kCommandSides.size())) return false;
    return true;
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

#include "labels/LabelGen.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "reports/ReportRender.h"
#include "store/RecordBuffers.h"

namespace labels {
namespace {

const QString kSample = QStringLiteral("Abcde");
const QString kLineSample = QStringLiteral("A");
const QString kPdfTitle = QStringLiteral("Labels");

const QString kNoneAcross = QStringLiteral(
    "Label stock \"%1\": \"No. Labels Across\" is %2. At least 1 label across is needed to print labels.");
const QString kTooSmall = QStringLiteral(
    "Label stock \"%1\": the label %2 of %3 points is too small for the five address lines, which need at "
    "least %4 points at the smallest print size (%5 points). Correct the stock under Label Forms.");

// Points per inch: stock measures are printer points.
constexpr int kPointsPerInch = 72;
// A 72 dpi image, on which font metrics come out in points.
constexpr int kPointsPerMetre = 2835;

// Five widths of "Abcde" and five line heights of font at the smallest size, in points.
QSizeF textNeeds(QFont font) {
    font.setPointSize(kMinLabelPoints);
    QImage points(1, 1, QImage::Format_Mono);
    points.setDotsPerMeterX(kPointsPerMetre);
    points.setDotsPerMeterY(kPointsPerMetre);
    const QFontMetricsF fm(font, &points);
    return {kLabelLines * fm.horizontalAdvance(kSample), kLabelLines * fm.height()};
}

// A margin relative to the printable area: less the strip the printer cannot reach, never below 0.
int relative(int margin, int strip) { return margin < strip ? 0 : margin - strip; }

}  // namespace

int PointsToPixels(const base::Decimal& points, int dpi) {
    const base::Decimal pixels = (points * base::Decimal(dpi)).dividedBy(kPointsPerInch, 0, base::Decimal::Rounding::TowardZero);
    return int(pixels.units() / base::Decimal(1).units());
}

DeviceGeometry GeometryOf(const QPagedPaintDevice* device) {
    DeviceGeometry g;
    g.dpiX = device->logicalDpiX();
    g.dpiY = device->logicalDpiY();
    const QPageLayout layout = device->pageLayout();
    const QRect full = layout.fullRectPixels(g.dpiX);
    const QRect paint = layout.paintRectPixels(g.dpiX);
    g.offX = paint.left();
    g.offY = paint.top();
    g.physW = full.width();
    g.physH = full.height();
    g.pageW = device->width();
    g.pageH = device->height();
    return g;
}

LabelMetrics MeasureStock(const store::LabelBuffer& stock, const DeviceGeometry& d) {
    LabelMetrics m;
    m.top = relative(PointsToPixels(stock.TopM, d.dpiY), d.offY);
    m.bottom = relative(PointsToPixels(stock.BottomM, d.dpiY), d.physH - d.offY - d.pageH);
    m.left = relative(PointsToPixels(stock.LeftM, d.dpiX), d.offX);
    m.right = relative(PointsToPixels(stock.RightM, d.dpiX), d.physW - d.offX - d.pageW);
    m.width = PointsToPixels(stock.Width, d.dpiX);
    m.height = PointsToPixels(stock.Height, d.dpiY);
    m.hGap = PointsToPixels(stock.HGap, d.dpiX);
    m.vGap = PointsToPixels(stock.VGap, d.dpiY);
    m.pageH = d.pageH;
    const int room = d.pageH - m.top - m.bottom;
    const int pitch = std::max(1, m.height + m.vGap);
    m.rowsPerPage = room / pitch;
    // A further row counts when its label alone, without the gap below it, still has room.
    if (room >= m.rowsPerPage * pitch + m.height) ++m.rowsPerPage;
    return m;
}

LabelPlan PlanLabels(const store::LabelBuffer& stock, const LabelStart& start, const QList<QStringList>& blocks,
                     const LabelMetrics& m) {
    const int across = std::max(1, stock.NAcross);
    const int pitch = m.height + m.vGap;
    LabelPlan plan;
    int page = 0;
    int column = std::clamp(start.column, 1, across);
    int row = std::max(1, start.row);
    QList<PlacedLabel> pending;  // the row buffer: the labels of the row not yet printed

    auto printRow = [&] {
        const int y = (row - 1) * pitch + m.top;
        if (!stock.Continuous && row > m.rowsPerPage) {
            row = 1;
            ++page;
        } else if (stock.Continuous && row > 1 && y + m.height > m.pageH) {
            row = 1;  // off the printable area: the strip goes on on the next page
            ++page;
        }
        for (PlacedLabel& label : pending) {
            label.page = page;
            label.row = row;
            label.y = (row - 1) * pitch + m.top;
            plan.labels.append(label);
        }
        pending.clear();
        ++plan.rowsPrinted;
        plan.pages = page + 1;
    };

    for (const QStringList& block : blocks) {
        PlacedLabel label;
        label.column = column;
        label.x = (column - 1) * (m.width + m.hGap) + m.left;
        label.lines = block.mid(0, kLabelLines);
        pending.append(label);
        if (column < across) {
            ++column;
            continue;
        }
        printRow();
        column = 1;
        ++row;
    }
    if (!pending.isEmpty()) printRow();
    return plan;
}

QString StockProblem(const store::LabelBuffer& stock, const QFont& font) {
    const QString name = stock.Name.trimmed();
    if (stock.NAcross < 1) return kNoneAcross.arg(name).arg(stock.NAcross);
    const QSizeF needs = textNeeds(font);
    const struct {
        const char* measure;
        const base::Decimal& points;
        qreal needed;
    } sides[] = {{"Width", stock.Width, needs.width()}, {"Height", stock.Height, needs.height()}};
    for (const auto& side : sides) {
        if (side.points.toDouble() < side.needed)
            return kTooSmall.arg(name, QLatin1String(side.measure), side.points.toFixed(3),
                                 QString::number(std::ceil(side.needed * 1000) / 1000, 'f', 3))
                .arg(kMinLabelPoints);
    }
    return {};
}

QFont FitLabelFont(QFont font, QPaintDevice* device, const LabelMetrics& m) {
    auto tooWide = [&] { return kLabelLines * QFontMetrics(font, device).horizontalAdvance(kSample) > m.width; };
    auto tooTall = [&] { return kLabelLines * QFontMetrics(font, device).height() > m.height; };
    while (tooWide() && font.pointSize() > kMinLabelPoints) font.setPointSize(font.pointSize() - 1);
    while (tooTall() && font.pointSize() > kMinLabelPoints) font.setPointSize(font.pointSize() - 1);
    return font;
}

bool PaintLabels(QPagedPaintDevice* device, const store::LabelBuffer& stock, const LabelStart& start,
                 const QList<QStringList>& blocks, const QFont& font) {
    const LabelMetrics metrics = MeasureStock(stock, GeometryOf(device));
    const LabelPlan plan = PlanLabels(stock, start, blocks, metrics);
    QPainter painter;
    if (!painter.begin(device)) return false;
    painter.setFont(FitLabelFont(font, device, metrics));
    const QFontMetrics fm(painter.font(), device);
    int page = 0;
    for (const PlacedLabel& label : plan.labels) {
        for (; page < label.page; ++page) device->newPage();
        int y = label.y;
        for (const QString& line : label.lines) {
            if (!line.isEmpty()) painter.drawText(label.x, y + fm.ascent(), line);
            y += fm.height();
        }
    }
    return painter.end();
}

bool WriteLabelPdf(const QString& fileName, const store::LabelBuffer& stock, const LabelStart& start,
                   const QList<QStringList>& blocks, const QFont& font) {
    return reports::WritePdfPages(fileName, kPdfTitle, [&](QPagedPaintDevice* device) {
        return PaintLabels(device, stock, start, blocks, font);
    });
}

}  // namespace labels

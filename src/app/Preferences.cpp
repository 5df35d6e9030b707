#include "app/Preferences.h"

#include <QFontInfo>

#include "base/ReportOutput.h"
#include "store/Settings.h"

namespace app {

QString FontText(const QFont& font) {
    return font.family() + QLatin1Char('@') + QString::number(FontPoints(font));
}

int FontPoints(const QFont& font) {
    if (font.pointSize() > 0) return font.pointSize();
    return QFontInfo(font).pointSize();
}

void ApplySettingsFont(const QFont& windowFont) {
    base::ApplyReportFont(windowFont, store::SettingsRec.FontName, store::SettingsRec.FontSize);
}

void StoreReportFont(const QFont& font) {
    store::SettingsBuffer next = store::SettingsRec;
    next.FontName = font.family();
    next.FontSize = FontPoints(font);
    if (store::ChangeSettings(next, QStringLiteral("The report font"))) base::ReportFont = font;
}

QString PrinterText(const base::PrinterChoice& printer) {
    if (printer.name.isEmpty()) return QStringLiteral("No printer");
    return printer.name + (printer.landscape ? QStringLiteral("-Landscape") : QStringLiteral("-Portrait"));
}

bool SortByName() { return store::SettingsRec.ByCust; }
bool InventoryFifo() { return store::SettingsRec.fifo; }

bool SaveSortByName(bool byName) {
    store::SettingsBuffer next = store::SettingsRec;
    next.ByCust = byName;
    return store::ChangeSettings(next, QStringLiteral("The customer order"));
}

bool SaveInventoryFifo(bool fifo) {
    store::SettingsBuffer next = store::SettingsRec;
    next.fifo = fifo;
    return store::ChangeSettings(next, QStringLiteral("The inventory valuation"));
}

}  // namespace app

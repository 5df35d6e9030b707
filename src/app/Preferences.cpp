#include "app/Preferences.h"

#include <QFontInfo>

#include "store/Settings.h"

namespace app {

QFont ReportFont;

QString FontText(const QFont& font) {
    return font.family() + QLatin1Char('@') + QString::number(FontPoints(font));
}

int FontPoints(const QFont& font) {
    if (font.pointSize() > 0) return font.pointSize();
    return QFontInfo(font).pointSize();
}

void ApplySettingsFont(const QFont& windowFont) {
    ReportFont = windowFont;
    const QString name = store::SettingsRec.FontName.trimmed();
    if (!name.isEmpty()) ReportFont.setFamily(name);
    if (store::SettingsRec.FontSize > 0) ReportFont.setPointSize(store::SettingsRec.FontSize);
}

void StoreReportFont(const QFont& font) {
    ReportFont = font;
    store::SettingsRec.FontName = font.family();
    store::SettingsRec.FontSize = FontPoints(font);
    store::SaveSettings();
}

base::PrinterChoice& CurrentPrinter() {
    static base::PrinterChoice printer;
    return printer;
}

QString PrinterText(const base::PrinterChoice& printer) {
    if (printer.name.isEmpty()) return QStringLiteral("No printer");
    return printer.name + (printer.landscape ? QStringLiteral("-Landscape") : QStringLiteral("-Portrait"));
}

bool SortByName() { return store::SettingsRec.ByCust; }
bool InventoryFifo() { return store::SettingsRec.fifo; }

void SaveSortByName(bool byName) {
    store::SettingsRec.ByCust = byName;
    store::SaveSettings();
}

void SaveInventoryFifo(bool fifo) {
    store::SettingsRec.fifo = fifo;
    store::SaveSettings();
}

}  // namespace app

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
    QFont& font = base::ReportFont;
    font = windowFont;
    const QString name = store::SettingsRec.FontName.trimmed();
    if (!name.isEmpty()) font.setFamily(name);
    if (store::SettingsRec.FontSize > 0) font.setPointSize(store::SettingsRec.FontSize);
}

void StoreReportFont(const QFont& font) {
    base::ReportFont = font;
    store::SettingsRec.FontName = font.family();
    store::SettingsRec.FontSize = FontPoints(font);
    store::SaveSettings();
}

QString PrinterText(const base::PrinterChoice& printer) {
    if (printer.name.isEmpty()) return QString();
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

#pragma once
// The main window's preferences: the report font, the printer shown on the Preferences page, the
// customer sort order and the inventory method. The font and the two choices are kept in the settings
// record; the printer choice lasts for the run only. The font and the printer themselves are
// base::ReportFont and base::ReportPrinter(), where the reports read them.
#include <QFont>
#include <QString>

#include "base/Dialogs.h"

namespace app {

// "name@size", as the Preferences page shows a font.
QString FontText(const QFont& font);
// The font's size in whole points (fonts set in pixels are converted).
int FontPoints(const QFont& font);
// base::ReportFont becomes windowFont, with the settings' FontName when it is not blank and FontSize when
// it is greater than 0.
void ApplySettingsFont(const QFont& windowFont);
// base::ReportFont becomes font, and its name and size are written to the settings record.
void StoreReportFont(const QFont& font);

// "name-Landscape" or "name-Portrait"; "No printer" when there is none.
QString PrinterText(const base::PrinterChoice& printer);

// The settings' sort order (true: by name) and inventory method (true: first in - first out).
bool SortByName();
bool InventoryFifo();
// Store a choice into the settings buffer and write the settings record.
// False when the choice could not be stored (the user was told; the settings stay as they were).
bool SaveSortByName(bool byName);
bool SaveInventoryFifo(bool fifo);

}  // namespace app

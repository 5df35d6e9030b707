#pragma once
// Where reports and labels go: the font of all report and label output and the printer chosen on the
// main window's Preferences page. The main window sets them (from the settings record, and as the user
// chooses); the report and label units only read them, so they live below both.
#include <QFont>

#include "base/Dialogs.h"

namespace base {

extern QFont ReportFont;
// ReportFont becomes windowFont, with family when it is not blank and points when greater than 0 (the
// settings' FontName and FontSize). The program and the report tool start their output with it.
void ApplyReportFont(const QFont& windowFont, const QString& family, int points);

// The printer reports go to; an empty name when there is no printer. Lasts for the run only.
PrinterChoice& ReportPrinter();

}  // namespace base

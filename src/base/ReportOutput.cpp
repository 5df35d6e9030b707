#include "base/ReportOutput.h"

namespace base {

QFont ReportFont;

void ApplyReportFont(const QFont& windowFont, const QString& family, int points) {
    ReportFont = windowFont;
    if (!family.trimmed().isEmpty()) ReportFont.setFamily(family.trimmed());
    if (points > 0) ReportFont.setPointSize(points);
}

PrinterChoice& ReportPrinter() {
    static PrinterChoice printer;
    return printer;
}

}  // namespace base

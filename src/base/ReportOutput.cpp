#include "base/ReportOutput.h"

namespace base {

QFont ReportFont;

PrinterChoice& ReportPrinter() {
    static PrinterChoice printer;
    return printer;
}

}  // namespace base

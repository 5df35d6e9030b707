#include "app/DefaultPrinter.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace app {

base::PrinterChoice DefaultPrinterChoice() {
    base::PrinterChoice choice;
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return choice;
    QPrinter printer(info);
    choice.name = info.printerName();
    choice.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    return choice;
}

}  // namespace app

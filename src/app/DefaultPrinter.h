#pragma once
// The system's default printer as the program's printer choice (empty name when none is installed).
#include "base/Dialogs.h"

namespace app {

base::PrinterChoice DefaultPrinterChoice();

}  // namespace app

#pragma once
// Choices one user makes for this computer rather than for the business: kept in the per-user
// settings file, not in the settings table the business shares.
#include <QString>

namespace store {

// The per-user settings file (tests point it into their own folder).
extern QString UserPreferencesFile;

// Whether the order commands are shown: the order import and export and the batch label file on the
// invoice window, "Print Batch Labels" and "Import Dir's" on the main window. Hidden until chosen.
bool OrderCommandsShown();
// False when the choice could not be written.
bool SetOrderCommandsShown(bool shown);

}  // namespace store

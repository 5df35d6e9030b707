#pragma once
// Every window of the program is created once at start-up, in one fixed order, and lives until the
// program ends; units reach them through ui::Form<T>() (ui/Forms.h). The order is the one list in
// FormsU.cpp; a new window joins it with one line at its place.
#include <vector>

#include "ui/Forms.h"

class QWidget;

namespace app {

// The application folder and its tests may name the accessor here too.
using ui::Form;

// Creates the windows in their fixed order (all hidden). Does nothing when they exist.
void CreateForms();
// Destroys them in reverse order.
void DestroyForms();
// The created windows in creation order (the gallery and tests walk them).
const std::vector<QWidget*>& AllForms();

}  // namespace app

#pragma once
// Every window of the program is created once at start-up, in one fixed order, and lives until the
// program ends. Any unit reaches a window the same way: app::Form<TInvoice>(). The order is the one
// list in FormsU.cpp; a new window joins it with one line at its place.
#include <vector>

class QWidget;

namespace app {

namespace detail {
template <class T>
inline T* formSlot = nullptr;
}

// The window of class T; null before CreateForms() and after DestroyForms().
template <class T>
T* Form() {
    return detail::formSlot<T>;
}

// Creates the windows in their fixed order (all hidden). Does nothing when they exist.
void CreateForms();
// Destroys them in reverse order.
void DestroyForms();
// The created windows in creation order (the gallery and tests walk them).
const std::vector<QWidget*>& AllForms();

}  // namespace app

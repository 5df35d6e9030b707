#pragma once
// The one accessor per window: every window of the program is created once at start-up, in one fixed
// order (app::CreateForms), and any unit reaches it the same way: ui::Form<TInvoice>(). It lives
// below the subsystems so that windows and their commands reach each other without the application.
#include "base/Dialogs.h"

namespace ui {

namespace detail {
template <class T>
inline T* formSlot = nullptr;
}

// The window of class T; null before the windows are created and after they are destroyed.
template <class T>
T* Form() {
    return detail::formSlot<T>;
}

// Shows the window of class T modally; false when it was never created.
template <class T>
bool ShowForm() {
    T* window = Form<T>();
    if (!window) return false;
    base::dialogs().showModal(window);
    return true;
}

}  // namespace ui

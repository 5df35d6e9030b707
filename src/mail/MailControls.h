#pragma once
// What the mail windows share in building their controls.
#include <QString>

namespace mail {

// A control with its system name as object name.
template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace mail

#pragma once
// Small builders the invoicing windows share: a control with its system name as object name, a bold
// heading, a button that never presses itself on Enter.
#include <QFont>
#include <QLabel>
#include <QPushButton>

namespace invoicing {

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

inline QLabel* label(QWidget* parent, const char* name, const QString& text, bool bold = false) {
    auto* l = named(new QLabel(text, parent), name);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

inline QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace invoicing

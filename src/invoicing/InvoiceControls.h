#pragma once
// Small builders the invoicing windows share: a control with its system name as object name, a bold
// heading, a stored text without its padding, a button that never presses itself on Enter.
#include <QFont>
#include <QLabel>
#include <QLineEdit>
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

// Texts are held padded to their field's width; the windows show and keep them without the padding.
inline QString withoutTrailingBlanks(QString text) {
    while (text.endsWith(QLatin1Char(' '))) text.chop(1);
    return text;
}

// A stored text in a field, shown from its start.
inline void showStoredText(QLineEdit* edit, const QString& text) {
    edit->setText(withoutTrailingBlanks(text));
    edit->setCursorPosition(0);
}

inline QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace invoicing

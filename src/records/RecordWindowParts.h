#pragma once
// Small builders the customer, group, product and purchase windows share: controls named as the
// window names them, loaded texts shown whole and trailing-blank trimming.
// Included by window units only.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "base/Dialogs.h"
#include "store/WriteResult.h"
#include "ui/HelpU.h"

namespace records::parts {

// True when the write went through; otherwise tells the user what could not be saved and why, and the
// window stays as it is.
inline bool written(const store::WriteResult& result, const QString& what) {
    if (!result) base::ShowMessage(result.message(what));
    return result.ok();
}

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

inline QLineEdit* lineEdit(QWidget* parent, const char* name, int limit) {
    auto* edit = named(new QLineEdit(parent), name);
    edit->setMaxLength(limit);
    return edit;
}

// A field the user cannot type into and Tab passes over.
inline QLineEdit* shownOnly(QWidget* parent, const char* name, int limit) {
    QLineEdit* edit = lineEdit(parent, name, limit);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    return edit;
}

inline QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    return named(new QPushButton(caption, parent), name);
}

inline QLabel* label(QWidget* parent, const char* name, const QString& text) {
    return named(new QLabel(text, parent), name);
}

// Shows a loaded text whole: the limit governs typing only, and a longer stored value (imported or
// older data) is neither cut on the screen nor on the next save.
inline void showText(QLineEdit* edit, const QString& text, int limit) {
    edit->setMaxLength(std::max(limit, static_cast<int>(text.size())));
    edit->setText(text);
}

}  // namespace records::parts

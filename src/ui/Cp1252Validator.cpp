#include "ui/Cp1252Validator.h"

#include "base/Cp1252.h"

namespace ui {

Cp1252Validator::Cp1252Validator(QObject* parent) : QValidator(parent) {}

QValidator::State Cp1252Validator::validate(QString& input, int&) const {
    return base::Cp1252::fits(input) ? Acceptable : Invalid;
}

}  // namespace ui

#pragma once
// Refuses text with a character the tables cannot store (Windows-1252): the keystroke or paste is
// rejected as a whole, never stored with a substitute.
#include <QValidator>

namespace ui {

class Cp1252Validator : public QValidator {
    Q_OBJECT
public:
    explicit Cp1252Validator(QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;
};

}  // namespace ui

#include "ui/MaskEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QValidator>

#include <algorithm>

#include "base/Format.h"
#include "ui/EditWindow.h"

namespace ui {
namespace {

// What a masked amount admits: blanks anywhere (unfilled places), at most `places` signs and digits
// before the separator with the sign only first, one separator, at most `decimals` digits after it.
class AmountValidator : public QValidator {
public:
    explicit AmountValidator(MaskEdit* field) : QValidator(field), m_field(field) {}

    State validate(QString& input, int&) const override {
        const MaskEditSettings& s = m_field->settings();
        const QChar separator = m_field->separator();
        int whole = 0, fraction = 0;
        bool afterSeparator = false;
        for (QChar c : input) {
            if (c == QLatin1Char(' ')) continue;
            if (c == separator) {
                if (afterSeparator || s.decimals == 0) return Invalid;
                afterSeparator = true;
            } else if (c == QLatin1Char('-') || c == QLatin1Char('+')) {
                if (afterSeparator || whole > 0) return Invalid;
                ++whole;
            } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
                ++(afterSeparator ? fraction : whole);
            } else {
                return Invalid;
            }
        }
        return whole <= s.places && fraction <= s.decimals ? Acceptable : Invalid;
    }

private:
    MaskEdit* m_field;
};

QByteArray amountFormat(int places, int decimals) {
    const int width = decimals > 0 ? places + 1 + decimals : places;
    return QByteArray("%") + QByteArray::number(width) + '.' + QByteArray::number(decimals) + 'f';
}

}  // namespace

MaskEditSettings amountField(int places, int decimals, NegativeColour colour) {
    return {places, decimals, amountFormat(places, decimals), colour, false};
}

MaskEditSettings plainField(int places, int decimals) { return {places, decimals, {}, NegativeColour::None, false}; }

MaskEdit::MaskEdit(QWidget* parent) : MaskEdit(MaskEditSettings{}, parent) {}

MaskEdit::MaskEdit(const MaskEditSettings& settings, QWidget* parent) : QLineEdit(parent) {
    setValidator(new AmountValidator(this));
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (m_settings.colour == NegativeColour::Live) colourBySign();
    });
    configure(settings);
}

void MaskEdit::configure(const MaskEditSettings& settings) {
    m_settings = settings;
    m_settings.decimals = std::clamp(m_settings.decimals, 0, 3);
    m_settings.places = std::max(m_settings.places, 1);
    if (m_settings.colour == NegativeColour::Live)
        colourBySign();
    else if (m_settings.colour == NegativeColour::None)
        setNegative(false);
}

QChar MaskEdit::separator() const { return m_settings.fixedDot ? QLatin1Char('.') : base::DecimalSeparator(); }

int MaskEdit::maskLength() const {
    return m_settings.decimals > 0 ? m_settings.places + 1 + m_settings.decimals : m_settings.places;
}

base::Decimal MaskEdit::value() const { return base::ReadAmount(text(), separator()); }

void MaskEdit::setValue(double value) { setValue(base::Decimal::fromDouble(value)); }

void MaskEdit::setValue(const base::Decimal& value) {
    const QByteArray format =
        m_settings.format.isEmpty() ? amountFormat(m_settings.places, m_settings.decimals) : m_settings.format;
    setText(base::FormatNumber(format.constData(), value, separator()));
}

void MaskEdit::reformat() {
    if (m_settings.format.isEmpty()) return;
    const QString entry = text().rightJustified(maskLength(), QLatin1Char(' '));
    setText(base::FormatAmountText(entry, m_settings.format.constData(), separator()));
}

void MaskEdit::colourBySign() { setNegative(text().contains(QLatin1Char('-'))); }

void MaskEdit::setNegative(bool negative) {
    m_negative = negative;
    QPalette p = palette();
    const QColor normal = QApplication::palette(this).color(QPalette::Text);
    p.setColor(QPalette::Text, negative ? QColor(Qt::red) : normal);
    setPalette(p);
}

bool MaskEdit::isSeparatorKey(const QKeyEvent* event) const {
    if (event->text() == QString(separator())) return true;
    // The keypad's decimal key means the separator whatever it prints on this keyboard layout.
    return (event->modifiers() & Qt::KeypadModifier) &&
           (event->key() == Qt::Key_Period || event->key() == Qt::Key_Comma);
}

void MaskEdit::handleSeparatorKey() {
    if (m_settings.format.isEmpty()) {
        insert(QString(separator()));  // the validator refuses a second one
        return;
    }
    // The whole number typed so far goes right-justified before the separator; the decimals are
    // selected so that typing overwrites them, as in a masked field.
    reformat();
    const qsizetype at = text().indexOf(separator());
    if (at >= 0) setSelection(int(at) + 1, m_settings.decimals);
}

void MaskEdit::keyPressEvent(QKeyEvent* event) {
    if (isEnterKey(event)) {
        focusNextChild();
        event->accept();
        return;
    }
    if (!isReadOnly() && m_settings.decimals > 0 && isSeparatorKey(event)) {
        handleSeparatorKey();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void MaskEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The window losing activation (a message box, another window) is not leaving the field.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    if (!isReadOnly()) {
        reformat();
        // A lone minus is kept while typing (the digits may follow), but a zero left behind shows no sign.
        if (text().contains(QLatin1Char('-')) && value().isZero() && !m_settings.format.isEmpty()) setValue(base::Decimal());
    }
    if (m_settings.colour != NegativeColour::None) colourBySign();
    emit exited();
}

}  // namespace ui

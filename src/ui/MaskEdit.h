#pragma once
// The amount and measure entry field: a fixed number of digit places (a sign takes one), the
// decimal separator and a fixed number of decimals. The separator key and leaving the field
// reformat the text with the field's printf format; the text turns red while it holds "-" where
// the field says so; Enter moves the focus to the next control.
#include <QByteArray>
#include <QLineEdit>

#include "base/Decimal.h"

namespace ui {

// When the text colour follows the sign.
enum class NegativeColour {
    None,    // always the normal colour
    Live,    // red while the text holds "-", on every change and on leaving
    OnExit,  // set only when the field is left
};

struct MaskEditSettings {
    int places = 7;          // places before the separator; each holds a digit or the sign
    int decimals = 2;        // 0 to 3
    QByteArray format;       // printf format ("%10.2f"); empty: never reformatted (Enter rule only)
    NegativeColour colour = NegativeColour::None;
    bool fixedDot = false;   // "." whatever the locale (the invoice's computed-line amounts)
};

// A reformatted amount: format "%<places + 1 + decimals>.<decimals>f", red while negative unless
// told otherwise. amountField(5) is the unit price: 5 places, "%8.2f", red.
MaskEditSettings amountField(int places, int decimals = 2, NegativeColour colour = NegativeColour::Live);
// A field that only admits its places and moves on with Enter.
MaskEditSettings plainField(int places, int decimals = 2);

class MaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskEdit(QWidget* parent = nullptr);
    explicit MaskEdit(const MaskEditSettings& settings, QWidget* parent = nullptr);

    void configure(const MaskEditSettings& settings);
    const MaskEditSettings& settings() const { return m_settings; }
    // The separator typed and shown: "." for fixedDot fields, else the current locale's.
    QChar separator() const;
    // Characters of the full mask: places, separator, decimals.
    int maskLength() const;

    // The exact number the text holds (0 for a blank or lone-sign text).
    base::Decimal value() const;
    // Shows a number with the field's format (or, without one, in the mask's width).
    void setValue(const base::Decimal& value);
    void setValue(double value);
    // Rewrites the text with the format; the text counts as mask-wide, as in a masked field.
    void reformat();
    // Red when the text holds "-", the normal colour otherwise.
    void colourBySign();
    bool shownNegative() const { return m_negative; }

signals:
    // The field was left after its own reformatting: the window's follow-up (line totals...).
    void exited();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool isSeparatorKey(const QKeyEvent* event) const;
    void handleSeparatorKey();
    void setNegative(bool negative);

    MaskEditSettings m_settings;
    bool m_negative = false;
};

}  // namespace ui

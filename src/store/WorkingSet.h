#pragma once
// The invoice working set: the invoice being written, printed or read for a statement, with its line
// items, its payments and the customer's address block. Rows are typed, one member per cell; the
// numbers stay the texts that were typed or formatted, so that what is summed is what is shown, and
// are read (with the locale's decimal separator) each time they are used.
//
// The invoice window's working set is program-wide (CurrentInvoice; InvRec, ItemRows, PaymentRows and
// AddressBlock name its parts), because its small windows and the pick lists reach it; the save and
// the invoice documents take the working set they work on as an argument.
#include <QList>
#include <QString>
#include <QStringList>

#include "base/Decimal.h"
#include "store/RecordBuffers.h"

namespace store {

// One line item.
struct ItemRow {
    QString code;         // product code as stored
    QString quantity;     // "%9.2f" when loaded, as typed otherwise
    QString price;        // unit price, "%8.2f" when loaded
    bool tax1 = false;    // subject to computed line 1
    bool tax2 = false;    // subject to computed line 2
    QString description;
    QString comment;      // trimmed when loaded
    // The product's second code and text, trimmed (empty when the product is not in the product
    // table). They travel with the row and are not stored with the line.
    QString rCode;
    QString pMemo;

    // price x quantity, unrounded; and the line total, RoundMoney(price x quantity).
    base::Decimal product() const;
    base::Decimal total() const;
    // The nine texts in the order the line is described in: code, quantity, price, "t"/"f" twice,
    // description, comment, rCode, pMemo.
    QStringList cells() const;
    bool operator==(const ItemRow&) const = default;
};

// One payment.
struct PaymentRow {
    QString date;      // the short date format
    QString amount;    // "%10.2f" when loaded, as typed otherwise
    QString taxPart;   // the part of the amount that is tax, likewise
    bool includesTax = false;

    // The four texts: date, amount, tax part, "T"/"F".
    QStringList cells() const;
    bool operator==(const PaymentRow&) const = default;
};

// The flag letters the rows are described with: lower case for lines, upper case for payments.
QString ItemFlag(bool on);
QString PaymentFlag(bool on);

struct InvoiceWorkingSet {
    InvBuffer invoice;
    QList<ItemRow> items;
    QList<PaymentRow> payments;
    // Five address lines (indices 0 to 4) once built; a single empty line before a customer is found.
    QStringList address{QString()};

    int lastItemRow() const { return int(items.size()) - 1; }  // -1 when there are no lines
    int lastPmtRow() const { return int(payments.size()) - 1; }  // -1 when there are no payments
    // The sum of the payments' amounts, unrounded.
    base::Decimal paymentsTotal() const;
    // No lines, no payments, one empty address line; the invoice buffer is kept.
    void clearRows();
};

// The invoice window's working set.
extern InvoiceWorkingSet CurrentInvoice;
extern QList<ItemRow>& ItemRows;
extern QList<PaymentRow>& PaymentRows;
extern QStringList& AddressBlock;
inline int LastItemRow() { return CurrentInvoice.lastItemRow(); }
inline int LastPmtRow() { return CurrentInvoice.lastPmtRow(); }

}  // namespace store

#include "invoicing/InvoiceNumbers.h"

#include <QString>

#include "base/Dialogs.h"
#include "store/RecordBuffers.h"
#include "store/TableHandles.h"

namespace invoicing {
namespace {

// The prompt for the first number of an empty invoice table: its title, question and default answer.
const struct {
    QString caption, prompt, answer;
} kFirstInvoice = {QStringLiteral("FIRST INVOICE"), QStringLiteral("What invoice number would you like to start with?"),
                   QStringLiteral("1")};
// Numbers that do not fit the six places of the invoice-number field.
const QString kNumberOutOfRange = QStringLiteral("The invoice number must be a whole number from 1 to 999999.");
const QString kNumbersUsedUp =
    QStringLiteral("The invoice was not saved: invoice numbers end at 999999 and the last one has been used.");

// A sign and digits, however many: a whole number, whether or not it fits a long.
bool writtenAsWholeNumber(const QString& text) {
    qsizetype i = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9')) return false;
    return true;
}

// The highest invoice number of 0 or above in INV5 (ordered by number), 0 when there is none. The
// keys are the numbers right-justified, so for these the key order is the numeric order; a negative
// number, which this program never gives but another tool may have stored, can sort after them and
// is passed over.
long highestStoredNumber() {
    xbase::Table* inv = store::InvTable;
    if (!inv || inv->bottom() != xbase::kOk) return 0;
    do {
        const long number = store::ReadField(inv, &store::InvBuffer::IvNo);
        if (number >= 0) return number;
    } while (inv->skip(-1) == xbase::kOk);
    return 0;
}

}  // namespace

long NextInvoiceNumber() {
    xbase::Table* inv = store::InvTable;
    if (!inv || inv->bottom() != xbase::kOk) return 1;
    const xbase::Field* ivNo = inv->field("IvNo");
    return ivNo ? ivNo->asLong() + 1 : 1;
}

long AskFirstInvoiceNumber() {
    for (;;) {
        QString answer = kFirstInvoice.answer;
        if (!base::dialogs().input(kFirstInvoice.caption, kFirstInvoice.prompt, &answer)) return 1;
        const QString text = answer.trimmed();
        if (!writtenAsWholeNumber(text)) return 1;
        // Too many digits for a long is out of range like any other number above the last.
        bool fits = false;
        const long number = text.toLong(&fits);
        if (fits && number >= 1 && number <= kMaxInvoiceNumber) return number;
        base::ShowMessage(kNumberOutOfRange);
    }
}

long NumberForNewInvoice() {
    xbase::Table* inv = store::InvTable;
    store::SelectTag(inv, store::TagId::Inv);
    long next = NextInvoiceNumber();
    // A negative last number says nothing of the numbers used: go by the highest one that is not.
    if (next < 1) next = highestStoredNumber() + 1;
    if (next == 1) return AskFirstInvoiceNumber();
    if (next > kMaxInvoiceNumber) {
        base::ShowMessage(kNumbersUsedUp);
        return 0;
    }
    return next;
}

}  // namespace invoicing

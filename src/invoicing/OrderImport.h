#pragma once
// The order import: a pair of files of the same name, an info file (one line about the buyer, the
// payment and the charges) in the info directory and an order file (one line per item) in the order
// directory, read into a new invoice of the working set. The pair is read and checked whole before
// anything is filled in, so a damaged pair leaves the invoice blank and the tables untouched.
#include <QList>
#include <QString>
#include <QStringList>

#include "base/Decimal.h"
#include "base/Dialogs.h"
#include "store/WriteResult.h"

namespace invoicing {

struct OrderLine {
    QStringList fields;  // as split; at least the eight the import uses
    base::Decimal price, quantity;
};

struct ParsedOrder {
    QString fileName;
    QStringList info;  // the info line's fields; at least the 32 the import uses
    base::Decimal tax, ship;
    QList<OrderLine> lines;
};

// The import directories as chosen in the preferences (read from ImpDirs.DBF), each ending in the
// separator. False when either has fewer than three characters: no directory has been chosen.
bool ReadImportDirs(QString* infoDir, QString* orderDir);
// The first of the pair's two paths that does not exist; empty when both do.
QString MissingOrderFile(const QString& infoPath, const QString& orderPath);

// Reads the pair and checks every field the import reads: present, and a number where one is read.
// Empty when the pair can be imported; otherwise the one message for the user, naming the file, the
// line and the field ("Order file ORD1.TXT, line 4: field 3 (unit price) "12,x" is not a number.").
QString ReadOrderPair(const QString& infoPath, const QString& orderPath, ParsedOrder* order);

// What the import reports on its way (a country that did not fit, a product not found), in order.
struct ImportNotice {
    base::MsgKind kind;
    QString text;
};

// Fills the working set from a checked order: a new invoice (InvRec, its note and card memo, the
// charges as imported, not recomputed) with its item rows, products matched in Prod5, and the
// imported customer in CustRec (not stored). REQUIRES: INV5 and Prod5 open.
QList<ImportNotice> FillFromOrder(const ParsedOrder& order);

// The stored customers that match the imported one (CustRec when constructed) on last name, first
// name and postal code, in name order, marked records passed over. Each call of next() goes on from
// the last match; 0 when there is none. Leaves CUST5 in name order. REQUIRES: CUST5 open.
class CustomerMatches {
public:
    CustomerMatches();
    long next();

private:
    QString m_last, m_first, m_zip;
    long m_at = 0;  // the last match, 0 before the first search
};

// The stored customer at recNo becomes the invoice's: CustRec loaded, CurCustRec and InvRec.CuNo set.
void TakeStoredCustomer(long recNo);

// The imported customer (CustRec) as a new customer of the group at CurGroupRec: the next customer
// number, appended to CUST5 and committed; InvRec.CuNo follows. On a failure nothing is left in the
// table and CuNo and cuno stay 0. REQUIRES: CUST5 and GROUPS open.
store::WriteResult CreateImportedCustomer();
// The invoice has no customer after all (none matched and none was created): CuNo and cuno 0.
void DropImportedCustomer();

}  // namespace invoicing

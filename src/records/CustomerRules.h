#pragma once
// The rules behind the customer and customer group windows: preparing the buffers for a showing,
// saving and deleting through the record layer, handing out group numbers and moving a deleted
// group's customers. The windows only read and write their controls and call these.
// REQUIRES (every routine): CUST5 and GROUPS open through the record layer.
#include <QString>

#include "store/WriteResult.h"

namespace records {

// Group numbers are stored in two digits, customer numbers in six.
inline constexpr int kMaxGroupNumber = 99;
inline constexpr long kMaxCustomerNumber = 999999;

// ---- Customers ----------------------------------------------------------------------------------------

// Fills CustRec for a showing: the customer at CurCustRec when it names a record, else a cleared
// buffer with CurCustRec -1. True when an existing customer was loaded.
bool BeginCustomer();
// The name of CustRec's group (blank-padded as stored), or "" when it has none; a group number that
// no longer exists is cleared from the buffer.
QString CustomerGroupName();
// Makes the group at record groupRec the customer's group and returns its name as stored.
QString ChooseCustomerGroup(long groupRec);

// NoNumber: every number up to kMaxCustomerNumber is taken.
enum class CustomerSave { Saved, NoGroup, NoNumber, AppendFailed, WriteFailed };
// Saves CustRec, whose texts the window has filled as typed. A new customer (number 0) gets the next
// free number and a new record (on failure the number goes back to 0 and nothing is stored). A
// customer marked deleted is recalled. Afterwards CurCustRec names the stored record.
store::Outcome<CustomerSave> SaveCustomer();
// Marks the customer at CurCustRec deleted and sets PackPending.
[[nodiscard]] store::WriteResult DeleteCustomer();
// How many invoices (not marked deleted) name customer number cuno: a seek on INV5's customer tag and
// a skip while the number matches. An INV5 already open keeps its tag and record; one that was not is
// opened for the count and closed again. -1 when the invoice table could not be read.
long CustomerInvoiceCount(long cuno);

// ---- Groups -------------------------------------------------------------------------------------------

// The lowest group number from 1 upward that the walk in number order finds unused (records marked
// deleted still hold theirs). Can exceed kMaxGroupNumber when every number is taken. Leaves the
// selected tag as it was.
int NextGroupNumber();

// Fills GroupRec for a showing: the group at CurGroupRec when > 0, else a cleared buffer with
// CurGroupRec -1. True when an existing group was loaded.
bool BeginGroup();

enum class GroupSave { Saved, BlankName, NoNumberLeft, AppendFailed, WriteFailed };
// Saves the group under the name as typed. A new group gets NextGroupNumber and a new record; when no
// two-digit number is left the group is refused and nothing is stored. A group marked deleted is
// recalled. Afterwards CurGroupRec names the stored record.
store::Outcome<GroupSave> SaveGroup(const QString& typedName);

enum class GroupMove { Moved, SameGroup, DeletedTarget, WriteFailed };
// Deletes the group at record groupRec after moving its customers to the group at record targetRec:
// every customer of the old group number gets the target's number, the old group is marked deleted,
// CurGroupRec becomes 0 and PackPending is set. Refused, with nothing changed, when the target is the
// group itself or a group marked deleted (its customers would lose their group when it is packed).
// A write that fails part-way moves the customers back and leaves the group as it was.
store::Outcome<GroupMove> DeleteGroupMovingCustomers(long groupRec, long targetRec);

}  // namespace records

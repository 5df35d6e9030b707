#include "records/CustomerRules.h"

#include <algorithm>
#include <vector>

#include "base/Format.h"
#include "store/Catalogue.h"
#include "store/Customers.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordAccess.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace records {
namespace {

using store::CustTable;
using store::GroupsTable;

// Selects a tag for the life of the object and puts the caller's tag back afterwards.
class TagScope {
public:
    TagScope(xbase::Table* table, store::TagId tag) : m_table(table), m_previous(table->selectedTag()) {
        store::SelectTag(m_table, tag);
    }
    ~TagScope() { m_table->selectTag(m_previous); }
    TagScope(const TagScope&) = delete;
    TagScope& operator=(const TagScope&) = delete;

private:
    xbase::Table* m_table;
    xbase::Tag* m_previous;
};

}  // namespace

// ---- Customers ----------------------------------------------------------------------------------------

bool BeginCustomer() {
    if (store::CurCustRec > 0 && CustTable) {
        store::LastResult = CustTable->go(store::CurCustRec);
        store::LoadCust();
        return true;
    }
    store::CustRec = store::CustBuffer{};
    store::CurCustRec = -1;
    return false;
}

QString CustomerGroupName() {
    if (store::CustRec.ngroup == 0 || !GroupsTable) return {};
    TagScope scope(GroupsTable, store::TagId::GroupNumber);
    if (GroupsTable->seek(store::ToTableText(base::PadNumber(store::CustRec.ngroup, 2))) == xbase::kOk)
        return store::ReadField(GroupsTable, &store::GroupBuffer::cGroup);
    store::CustRec.ngroup = 0;
    return {};
}

QString ChooseCustomerGroup(long groupRec) {
    store::LastResult = GroupsTable->go(groupRec);
    store::LoadGroup();
    store::CustRec.ngroup = store::GroupRec.nGroup;
    return store::GroupRec.cGroup;
}

store::Outcome<CustomerSave> SaveCustomer() {
    if (store::CustRec.ngroup == 0) return CustomerSave::NoGroup;
    const bool numbered = store::CustRec.cuno != 0;
    if (!numbered) {
        const long number = store::NextCustomerNumber();
        // The number field holds six digits: the next number would be stored blank.
        if (number > kMaxCustomerNumber) return CustomerSave::NoNumber;
        store::CustRec.cuno = number;
    }
    store::CustRec.comments = store::CustRec.comments.left(store::kMemoLimit);
    // A new customer is told by its window having no record yet, so that a stored customer without a
    // number gets one in place instead of a second copy. Saving a deleted customer recalls it.
    store::Outcome<CustomerSave> saved =
        store::SaveRecord(store::TableKey::Cust, &store::CurCustRec, store::StoreCust, CustomerSave::Saved,
                          CustomerSave::AppendFailed, CustomerSave::WriteFailed, /*recall=*/true);
    if (!(saved == CustomerSave::Saved) && !numbered) store::CustRec.cuno = 0;
    return saved;
}

store::WriteResult DeleteCustomer() { return store::DeleteRecord(store::TableKey::Cust, store::CurCustRec); }

long CustomerInvoiceCount(long cuno) {
    const bool wasOpen = store::InvTable != nullptr;
    if (!wasOpen && !store::OpenInv()) return -1;
    xbase::Table* inv = store::InvTable;
    const long here = inv->recNo();
    long count = 0;
    int rc = xbase::kOk;
    {
        TagScope scope(inv, store::TagId::InvCust);
        for (rc = inv->seek(store::ToTableText(base::PadNumber(cuno, 6)));
             rc == xbase::kOk && store::ReadField(inv, &store::InvBuffer::CuNo) == cuno; rc = inv->skip(1))
            if (!inv->isDeleted()) ++count;
    }
    // A seek that stops on a greater key or at the end, and a skip past the last, end the count; only
    // an error leaves it unknown.
    const bool read = rc >= 0;
    if (!wasOpen) {
        store::CloseTable(store::InvTable);
    } else if (here <= inv->recCount() && inv->go(here) != xbase::kOk) {
        return -1;  // the invoice window's record could not be found again
    }
    return read ? count : -1;
}

// ---- Groups -------------------------------------------------------------------------------------------

int NextGroupNumber() {
    if (GroupsTable->recCount() == 0) return 1;
    TagScope scope(GroupsTable, store::TagId::GroupNumber);
    int last = 0;
    for (int rc = GroupsTable->top(); rc == xbase::kOk; rc = GroupsTable->skip(1)) {
        const int number = store::ReadField(GroupsTable, &store::GroupBuffer::nGroup);
        if (number > last + 1) break;
        // Repeated numbers, and negative ones from foreign data (whose keys sort among the
        // positive ones), never move the count back.
        last = std::max(last, number);
    }
    return last + 1;
}

bool BeginGroup() {
    if (store::CurGroupRec > 0 && GroupsTable) {
        store::LastResult = GroupsTable->go(store::CurGroupRec);
        store::LoadGroup();
        return true;
    }
    store::GroupRec = store::GroupBuffer{};
    store::CurGroupRec = -1;
    return false;
}

store::Outcome<GroupSave> SaveGroup(const QString& typedName) {
    if (typedName.trimmed().isEmpty()) return GroupSave::BlankName;
    const store::GroupBuffer before = store::GroupRec;
    store::GroupRec.cGroup = typedName;
    if (store::GroupRec.nGroup == 0) {
        const int number = NextGroupNumber();
        // The field holds two digits: a 100th number would not fit the record.
        if (number > kMaxGroupNumber) return GroupSave::NoNumberLeft;
        store::GroupRec.nGroup = number;
    }
    store::Outcome<GroupSave> saved =
        store::SaveRecord(store::TableKey::Groups, &store::CurGroupRec, store::StoreGroup, GroupSave::Saved,
                          GroupSave::AppendFailed, GroupSave::WriteFailed, /*recall=*/true);
    if (!(saved == GroupSave::Saved)) store::GroupRec.nGroup = before.nGroup;
    return saved;
}

namespace {

// Gives every customer of group number from the number to. Each record is written as it changes; when
// one cannot be, the ones already moved are moved back and the failure returned.
store::WriteResult moveCustomers(int from, int to) {
    // The group number is in no customer key, so the walk may change it as it goes.
    TagScope scope(CustTable, store::TagId::None);
    std::vector<long> moved;
    store::WriteResult result;
    for (int rc = CustTable->top(); rc != xbase::kEof; rc = CustTable->skip(1)) {
        if (rc < 0) {
            result = store::WriteResult::EngineFailure(rc, store::TableKey::Cust);
            break;
        }
        if (store::ReadField(CustTable, &store::CustBuffer::ngroup) != from) continue;
        int written = store::WriteField(CustTable, &store::CustBuffer::ngroup, to);
        if (written >= 0) result = store::CommitRecord(CustTable, store::TableKey::Cust);
        else result = store::WriteResult::EngineFailure(written, store::TableKey::Cust);
        if (!result) break;
        moved.push_back(CustTable->recNo());
    }
    if (!result) {
        for (long recno : moved)
            if (CustTable->go(recno) == xbase::kOk &&
                store::WriteField(CustTable, &store::CustBuffer::ngroup, from) >= 0)
                (void)store::CommitRecord(CustTable, store::TableKey::Cust);
    }
    store::LastResult = CustTable->top();
    return result;
}

}  // namespace

store::Outcome<GroupMove> DeleteGroupMovingCustomers(long groupRec, long targetRec) {
    if (targetRec == groupRec) return GroupMove::SameGroup;
    if (GroupsTable->go(targetRec) != xbase::kOk || GroupsTable->isDeleted()) return GroupMove::DeletedTarget;
    const int target = store::ReadField(GroupsTable, &store::GroupBuffer::nGroup);
    store::LastResult = GroupsTable->go(groupRec);
    const int old = store::ReadField(GroupsTable, &store::GroupBuffer::nGroup);

    if (store::WriteResult moved = moveCustomers(old, target); !moved) return {GroupMove::WriteFailed, moved};
    if (store::WriteResult deleted = store::DeleteRecord(store::TableKey::Groups, groupRec); !deleted) {
        (void)moveCustomers(target, old);
        return {GroupMove::WriteFailed, deleted};
    }
    store::CurGroupRec = 0;
    return GroupMove::Moved;
}

}  // namespace records

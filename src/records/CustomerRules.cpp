#include "records/CustomerRules.h"

#include <algorithm>

#include "base/Format.h"
#include "store/Catalogue.h"
#include "store/dbFiles.h"

namespace records {
namespace {

using store::CustTable;
using store::GroupsTable;

// Selects a tag for the life of the object and puts the caller's tag back afterwards.
class TagScope {
public:
    TagScope(xbase::Table* table, xbase::Tag* tag) : m_table(table), m_previous(table->selectedTag()) {
        m_table->selectTag(tag);
    }
    ~TagScope() { m_table->selectTag(m_previous); }
    TagScope(const TagScope&) = delete;
    TagScope& operator=(const TagScope&) = delete;

private:
    xbase::Table* m_table;
    xbase::Tag* m_previous;
};

// Recalls the current record when it is marked deleted: saving a record undeletes it.
void recallIfDeleted(xbase::Table* table, store::TableKey key) {
    if (!table->isDeleted()) return;
    table->recall();
    store::CommitRecord(table, key);
}

void markDeleted(xbase::Table* table, store::TableKey key, long recno) {
    store::LastResult = table->go(recno);
    if (store::LastResult != xbase::kOk) return;
    table->markDeleted();
    store::CommitRecord(table, key);
    store::PackPending = true;
}

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
    TagScope scope(GroupsTable, GroupsTable->findTag("NGroup"));
    if (GroupsTable->seek(store::ToTableText(base::PadNumber(store::CustRec.ngroup, 2))) == xbase::kOk) {
        store::GroupBuffer group;
        store::ReadGroup(GroupsTable, &group);
        return group.cGroup;
    }
    store::CustRec.ngroup = 0;
    return {};
}

QString ChooseCustomerGroup(long groupRec) {
    store::LastResult = GroupsTable->go(groupRec);
    store::LoadGroup();
    store::CustRec.ngroup = store::GroupRec.nGroup;
    return store::GroupRec.cGroup;
}

CustomerSave SaveCustomer() {
    if (store::CustRec.ngroup == 0) return CustomerSave::NoGroup;
    if (store::CustRec.cuno == 0) store::CustRec.cuno = store::NextCustomerNumber();
    // A new customer is told by its window having no record yet, so that a stored customer without a
    // number gets one in place instead of a second copy.
    if (store::CurCustRec <= 0) {
        if (CustTable->appendBlank() != 0) {
            store::CustRec.cuno = 0;
            return CustomerSave::AppendFailed;
        }
        store::CurCustRec = CustTable->recNo();
    } else {
        store::LastResult = CustTable->go(store::CurCustRec);
    }
    store::CustRec.comments = store::CustRec.comments.left(store::kMemoLimit);
    store::StoreCust();
    store::CurCustRec = CustTable->recNo();
    recallIfDeleted(CustTable, store::TableKey::Cust);
    return CustomerSave::Saved;
}

void DeleteCustomer() { markDeleted(CustTable, store::TableKey::Cust, store::CurCustRec); }

long CustomerInvoiceCount(long cuno) {
    const bool wasOpen = store::InvTable != nullptr;
    if (!wasOpen && !store::OpenInv()) return -1;
    xbase::Table* inv = store::InvTable;
    const long here = inv->recNo();
    long count = 0;
    int rc = xbase::kOk;
    {
        TagScope scope(inv, inv->findTag("InvC"));
        const store::RecordAccess r(inv);
        for (rc = inv->seek(store::ToTableText(base::PadNumber(cuno, 6))); rc == xbase::kOk && r.asLong("CUNO") == cuno;
             rc = inv->skip(1))
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
    TagScope scope(GroupsTable, GroupsTable->findTag("NGroup"));
    const store::RecordAccess r(GroupsTable);
    int last = 0;
    for (int rc = GroupsTable->top(); rc == xbase::kOk; rc = GroupsTable->skip(1)) {
        const int number = r.asInt("NGROUP");
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

GroupSave SaveGroup(const QString& typedName) {
    if (typedName.trimmed().isEmpty()) return GroupSave::BlankName;
    store::GroupRec.cGroup = typedName;
    if (store::GroupRec.nGroup == 0) {
        const int number = NextGroupNumber();
        // The field holds two digits: a 100th number would not fit the record.
        if (number > kMaxGroupNumber) return GroupSave::NoNumberLeft;
        store::GroupRec.nGroup = number;
        if (store::CurGroupRec <= 0) {
            if (GroupsTable->appendBlank() != 0) {
                store::GroupRec.nGroup = 0;
                return GroupSave::AppendFailed;
            }
            store::CurGroupRec = GroupsTable->recNo();
        }
    }
    store::LastResult = GroupsTable->go(store::CurGroupRec);
    store::StoreGroup();
    recallIfDeleted(GroupsTable, store::TableKey::Groups);
    return GroupSave::Saved;
}

GroupMove DeleteGroupMovingCustomers(long groupRec, long targetRec) {
    if (targetRec == groupRec) return GroupMove::SameGroup;
    store::GroupBuffer target;
    if (GroupsTable->go(targetRec) != xbase::kOk || GroupsTable->isDeleted()) return GroupMove::DeletedTarget;
    store::ReadGroup(GroupsTable, &target);
    store::GroupBuffer old;
    store::LastResult = GroupsTable->go(groupRec);
    store::ReadGroup(GroupsTable, &old);

    {
        // The group number is in no customer key, so the walk may change it as it goes.
        TagScope scope(CustTable, nullptr);
        const store::RecordAccess r(CustTable);
        for (int rc = CustTable->top(); rc == xbase::kOk; rc = CustTable->skip(1))
            if (r.asInt("NGROUP") == old.nGroup) r.setInt("NGROUP", target.nGroup);
        CustTable->flush(false);
    }
    store::LastResult = CustTable->top();

    markDeleted(GroupsTable, store::TableKey::Groups, groupRec);
    store::CurGroupRec = 0;
    return GroupMove::Moved;
}

}  // namespace records

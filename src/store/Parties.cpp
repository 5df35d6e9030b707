#include "store/Parties.h"

#include <QLocale>

#include <algorithm>
#include <vector>

#include "base/Format.h"
#include "store/Catalogue.h"
#include "store/DataFiles.h"
#include "store/EngineContext.h"
#include "store/LoadStore.h"
#include "store/OpenRoutines.h"
#include "store/RecordBuffers.h"
#include "store/Selection.h"
#include "store/TableHandles.h"

namespace store {

xbase::Table* PartyTable = nullptr;

template <>
const std::vector<Binding<PartyBuffer>>& BoundTo<PartyBuffer, TableKey::Party>::list() {
    using B = PartyBuffer;
    static const std::vector<Binding<B>> list{
        {"CUNO", &B::CuNo},         {"NAME", &B::Name},         {"STREET", &B::Street},
        {"STREET2", &B::Street2},   {"CITY", &B::City},         {"ZIP", &B::Zip},
        {"COUNTRY", &B::Country},   {"TAXID", &B::TaxId},       {"LEGALID", &B::LegalId},
        {"CURRENCY", &B::Currency}, {"IBAN", &B::Iban},         {"BIC", &B::Bic},
        {"DUEDAYS", &B::DueDays},   {"BUYERREF", &B::BuyerRef}, {"EMAIL", &B::Email}};
    return list;
}

QString LocaleCurrency() {
    const QString code = QLocale().currencySymbol(QLocale::CurrencyIsoCode);
    return code.isEmpty() ? QStringLiteral("EUR") : code;
}

int EnsurePartyTable() {
    const TableEntry& desc = Table(TableKey::Party);
    xbase::Context& context = Engine();
    xbase::FileSystem& fs = context.fileSystem();
    const std::string dir = context.directory();
    const std::string path = dir.empty() ? desc.fileName : dir + "/" + desc.fileName;
    if (fs.exists(fs.resolve(path))) return xbase::kOk;
    const int accessMode = context.accessMode();
    context.setAccessMode(1);
    xbase::Table* table = context.createTable(desc.fileStem(), FieldDefs(desc));
    int rc = table ? table->createIndex(desc.name, TagDefs(desc)) : std::min(context.errorCode(), int(xbase::kErrOpen));
    if (table) {
        const int closed = table->close();
        if (rc >= 0) rc = closed;
    }
    context.setAccessMode(accessMode);
    return std::min(rc, 0);
}

namespace {

void trimAll(PartyBuffer* p) {
    for (QString* s : {&p->Name, &p->Street, &p->Street2, &p->City, &p->Zip, &p->Country, &p->TaxId, &p->LegalId,
                       &p->Currency, &p->Iban, &p->Bic, &p->BuyerRef, &p->Email})
        *s = s->trimmed();
}

// Positions on the party's live record: a record deleted (a dropped buyer not yet packed away) is
// passed over, so that it is neither read nor written again.
bool seekParty(long cuno) {
    if (!PartyTable || SelectTag(PartyTable, TagId::Party) < 0) return false;
    for (int rc = PartyTable->seek(base::PadNumber(cuno, 6).toStdString()); rc == xbase::kOk; rc = PartyTable->skip()) {
        if (ReadField(PartyTable, &PartyBuffer::CuNo) != cuno) return false;
        if (!PartyTable->isDeleted()) return true;
    }
    return false;
}

}  // namespace

bool FindParty(long cuno, PartyBuffer* party) {
    *party = PartyBuffer{};
    party->CuNo = cuno;
    if (!seekParty(cuno)) return false;
    ReadRecord(PartyTable, party);
    trimAll(party);
    return true;
}

WriteResult SaveParty(const PartyBuffer& party) {
    if (!PartyTable) return WriteResult::EngineFailure(xbase::kErrRecord, TableKey::Party);
    if (!seekParty(party.CuNo)) {
        if (const int rc = PartyTable->appendBlank(); rc < 0) return WriteResult::EngineFailure(rc, TableKey::Party);
    }
    WriteResult result = StoreRecord(PartyTable, party);
    if (result) result = SyncData(TableKey::Party);
    return result;
}

bool ReadPartyRecord(long cuno, PartyBuffer* party) {
    *party = PartyBuffer{};
    party->CuNo = cuno;
    if (EnsurePartyTable() < 0 || !OpenByKey(TableKey::Party)) return false;
    FindParty(cuno, party);
    CloseTable(PartyTable);
    return true;
}

WriteResult StorePartyRecord(const PartyBuffer& party) {
    if (EnsurePartyTable() < 0 || !OpenByKey(TableKey::Party))
        return WriteResult::EngineFailure(xbase::kErrOpen, TableKey::Party);
    const WriteResult result = SaveParty(party);
    CloseTable(PartyTable);
    return result;
}

bool IsCodeOrEmpty(const QString& code, int letters) {
    if (code.isEmpty()) return true;
    if (code.size() != letters) return false;
    return std::all_of(code.begin(), code.end(), [](QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); });
}

int DropBuyerParties() {
    if (!OpenByKey(TableKey::Party)) return xbase::kErrOpen;
    // The buyers follow the seller (number 0) in number order.
    std::vector<long> buyers;
    constexpr int kOnNextGreater = 2;
    int rc = PartyTable->seek(base::PadNumber(kSellerParty + 1, 6).toStdString());
    while (rc == xbase::kOk || rc == kOnNextGreater) {
        buyers.push_back(PartyTable->recNo());
        rc = PartyTable->skip();
    }
    rc = xbase::kOk;
    for (long recno : buyers) {
        if ((rc = PartyTable->go(recno)) < 0 || (rc = PartyTable->markDeleted()) < 0 || (rc = PartyTable->flush()) < 0) break;
        PackPending = true;
    }
    CloseTable(PartyTable);
    return std::min(rc, 0);
}

}  // namespace store

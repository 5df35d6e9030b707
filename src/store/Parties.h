#pragma once
// The parties of electronic invoices: what the standard asks of the seller and of a buyer that the
// letterhead and the customer table do not hold. One record per party in EParty.DBF, keyed by the
// customer number; the seller's record has number 0.
#include <QString>

#include "store/Binding.h"
#include "store/WriteResult.h"
#include "xbase/Engine.h"

namespace store {

inline constexpr long kSellerParty = 0;

struct PartyBuffer {
    long CuNo = 0;
    QString Name;              // legal name
    QString Street, Street2, City, Zip;
    QString Country;           // ISO 3166 alpha-2
    QString TaxId;             // VAT/GST registration number
    QString LegalId;           // company registration (optional)
    QString Currency;          // ISO 4217; the seller's only
    QString Iban, Bic;         // the seller's account for payment by transfer
    int DueDays = 0;           // the seller's payment terms in days; 0 = due on the invoice date
    QString BuyerRef;          // a buyer's reference for its invoices (optional)
    QString Email;

    bool operator==(const PartyBuffer&) const = default;
};

template <> struct BindingOf<PartyBuffer> : BoundTo<PartyBuffer, TableKey::Party> {};

// The handle of the party table while it is open (OpenByKey(TableKey::Party)).
extern xbase::Table* PartyTable;

// The currency a new seller record starts with: the default locale's.
QString LocaleCurrency();

// Creates EParty.DBF with its index in the engine's directory when it is missing (a data directory
// made before the table existed, or an upgrade). The engine's result: 0 when it exists or was made.
int EnsurePartyTable();

// Reads the party of customer number cuno (kSellerParty: the seller) from the open party table into
// *party, trimmed. False, with *party holding only the number, when there is no record.
bool FindParty(long cuno, PartyBuffer* party);
// Writes the party's record, appending it when there is none. REQUIRES: the party table open.
[[nodiscard]] WriteResult SaveParty(const PartyBuffer& party);

// The record of party cuno, the party table opened and closed around it (made when missing): for the
// windows, which keep no table open. *party holds only the number when there is none; false when the
// table could not be opened.
bool ReadPartyRecord(long cuno, PartyBuffer* party);
[[nodiscard]] WriteResult StorePartyRecord(const PartyBuffer& party);

// Empty, or the form the standard takes: letters A to Z, exactly `letters` of them.
bool IsCodeOrEmpty(const QString& code, int letters);

// Deletes every buyer's record (the seller's stays) and sets PackPending: the customers they belonged
// to are gone (erased, or replaced by an upgrade). The engine's result.
int DropBuyerParties();

}  // namespace store

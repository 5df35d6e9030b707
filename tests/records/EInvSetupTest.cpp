// The seller's e-invoice details typed into E-Invoice Setup: stored in the party table's seller record,
// codes in capitals; a code the standard does not know is refused before anything is stored.
#include <QTest>

#include "RecordsFixture.h"
#include "records/EInvSetupU.h"
#include "store/Parties.h"

namespace records_test {
namespace {

class EInvSetupTest : public RecordsTest {};

TEST_F(EInvSetupTest, SavesTheSellerOrRefusesAnUnknownCode) {
    const struct {
        const char* country;
        const char* currency;
        const char* refusal;  // nullptr: saved
    } cases[] = {
        {"de", "eur", nullptr},
        {"D1", "EUR", "The country code is two letters, such as DE, FR or AU."},
        {"DE", "EU", "The currency code is three letters, such as EUR or AUD."},
    };
    for (const auto& c : cases) {
        store::PartyBuffer before;
        ASSERT_TRUE(store::ReadPartyRecord(store::kSellerParty, &before));
        records::TEInvSetup w;
        w.show();
        EXPECT_EQ(w.Edit9->text(), before.Currency.isEmpty() ? QStringLiteral("USD") : before.Currency) << c.country;
        for (QLineEdit* e : {w.Edit1, w.Edit6, w.Edit7, w.Edit9, w.Edit12}) e->clear();
        QTest::keyClicks(w.Edit1, QStringLiteral("Bluegum Office Supplies GmbH"));
        QTest::keyClicks(w.Edit6, QLatin1String(c.country));
        QTest::keyClicks(w.Edit7, QStringLiteral("DE123456789"));
        QTest::keyClicks(w.Edit9, QLatin1String(c.currency));
        QTest::keyClicks(w.Edit12, QStringLiteral("14x"));  // the terms take digits only
        const qsizetype shown = dialogs->messages().size();
        QTest::mouseClick(w.BtnSave, Qt::LeftButton);
        store::PartyBuffer after;
        ASSERT_TRUE(store::ReadPartyRecord(store::kSellerParty, &after));
        if (c.refusal) {
            EXPECT_EQ(dialogs->messages().value(shown), QLatin1String(c.refusal));
            EXPECT_TRUE(w.isVisible());
            EXPECT_EQ(after, before) << c.country << c.currency;
        } else {
            EXPECT_FALSE(w.isVisible());
            EXPECT_EQ(after.Name, QStringLiteral("Bluegum Office Supplies GmbH"));
            EXPECT_EQ(after.Country + after.Currency, QStringLiteral("DEEUR"));
            EXPECT_EQ(after.DueDays, 14);
        }
    }
}

}  // namespace
}  // namespace records_test

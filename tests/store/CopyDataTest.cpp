// Moving a demo business from a directory onto a database server and back: the copy reads back equal
// (records, deleted marks, memos, every tag's order) and a copy that fails part-way leaves nothing.
#include <gtest/gtest.h>

#include "store/CopyData.h"
#include "store/DataDir.h"
#include "store/EngineContext.h"
#include "support/PgCluster.h"
#include "support/TableSnapshot.h"
#include "support/TestSupport.h"

#include "pg/PgDriver.h"

using namespace store;

namespace {

class CopyDataTest : public testing_support::DataDirTest {
protected:
    void SetUp() override {
        DataDirTest::SetUp();
        std::string why;
        m_server = QString::fromStdString(pgtest::freshDatabase(&why));
        ASSERT_FALSE(m_server.isEmpty()) << why;
        DataDirOptions demo;
        demo.demo = true;
        demo.customers = 40;
        demo.invoices = 120;
        QString error;
        ASSERT_TRUE(QDir().mkpath(path("from")));
        ASSERT_EQ(WriteDataDir(path("from"), demo, &error), 0) << error.toStdString();
    }
    QString m_server;
};

TEST_F(CopyDataTest, DirectoryToServerAndBackReadsEqual) {
    QString error;
    int progressCalls = 0;
    const CopyProgress progress = [&](const QString&, long done, long total) {
        EXPECT_LE(done, total);
        ++progressCalls;
    };
    ASSERT_EQ(CopyBusiness(path("from"), m_server, false, progress, &error), 0) << error.toStdString();
    EXPECT_GT(progressCalls, 0);
    EXPECT_EQ(CopyBusiness(path("from"), m_server, false, nullptr, &error), xbase::kErrExists) << "no silent overwrite";
    ASSERT_EQ(CopyBusiness(m_server, path("back"), false, nullptr, &error), 0) << error.toStdString();
    // The files written back hold what the source files hold, record for record and tag for tag.
    for (const TableEntry& t : Catalogue()) {
        QDir::setCurrent(path("from"));
        const QStringList source = testing_support::tableSnapshot(t.name);
        QDir::setCurrent(path("back"));
        EXPECT_EQ(testing_support::tableSnapshot(t.name), source) << t.name;
    }
}

TEST_F(CopyDataTest, ACopyThatFailsPartWayLeavesNothingOnTheServer) {
    {
        QString error;
        std::unique_ptr<xbase::Context> ctx = NewContext(m_server, &error);
        ASSERT_NE(ctx, nullptr) << error.toStdString();
        // The line table cannot be created: the copy fails after the customers and invoices are in.
        auto& conn = static_cast<pg::PgDriver*>(ctx->driver())->connection();
        ASSERT_TRUE(conn.exec("CREATE FUNCTION refuse() RETURNS event_trigger LANGUAGE plpgsql AS $$BEGIN "
                              "IF EXISTS (SELECT 1 FROM pg_event_trigger_ddl_commands() WHERE object_identity LIKE "
                              "'%itm5') THEN RAISE EXCEPTION 'refused'; END IF; END$$; CREATE EVENT TRIGGER refuse ON "
                              "ddl_command_end EXECUTE FUNCTION refuse()")
                        .ok());
    }
    QString error;
    EXPECT_LT(CopyBusiness(path("from"), m_server, false, nullptr, &error), 0);
    EXPECT_TRUE(error.contains("ITM5")) << error.toStdString();
    std::unique_ptr<xbase::Context> ctx = NewContext(m_server, &error);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ctx->openTable("CUST5"), nullptr) << "the customers copied first are gone with the rest";
}

}  // namespace

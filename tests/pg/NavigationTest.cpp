// The engine's golden navigation tables replayed on both drivers: the server gives the same record,
// result, eof and bof after every move as the DBF files do.
#include <gtest/gtest.h>

#include "PgTestUtil.h"
#include "xbase/NavigationCases.h"

namespace {

using xbase::test::NavCase;

enum class Driver { Dbf, Server };

struct DriverRun {
    Driver driver;
    const NavCase* c;
};

std::vector<DriverRun> runs() {
    std::vector<DriverRun> all;
    for (Driver d : {Driver::Dbf, Driver::Server})
        for (const NavCase& c : xbase::test::navigationCases()) all.push_back({d, &c});
    return all;
}

class BothDriversNavigationTest : public ::testing::TestWithParam<DriverRun> {};

TEST_P(BothDriversNavigationTest, ReplaysTheGoldenTable) {
    const DriverRun& run = GetParam();
    if (run.driver == Driver::Dbf) {
        std::unique_ptr<xbase::FileSystem> fs = xbase::newMemoryFileSystem();
        xbase::Context ctx(fs.get(), "db");
        xbase::test::runNavCase(ctx, *run.c);
        return;
    }
    std::unique_ptr<xbase::Context> ctx = pgtest::serverContext();
    ASSERT_NE(ctx, nullptr);
    xbase::test::runNavCase(*ctx, *run.c);
}

INSTANTIATE_TEST_SUITE_P(Cases, BothDriversNavigationTest, ::testing::ValuesIn(runs()), [](const auto& info) {
    return std::string(info.param.driver == Driver::Dbf ? "Dbf_" : "Server_") + info.param.c->name;
});

}  // namespace

// Every input that ever made a fuzz harness fail, replayed through the harness bodies on every run
// (under the test build's sanitizers): a crash, a sanitizer report or a hang here is a regression.
#include <gtest/gtest.h>

#include <filesystem>

#include "FuzzTargets.h"
#include "NtxTestSupport.h"

namespace {

TEST(FuzzRegression, EveryInputThatEverFailedRunsCleanly) {
    const struct {
        const char* dir;
        int (*body)(const uint8_t*, size_t);
    } targets[] = {
        {"tableAndMemo", fuzz::tableAndMemo},
        {"index", fuzz::index},
        {"keyExpression", fuzz::keyExpression},
        {"buildIndex", fuzz::buildIndex},
    };
    const std::filesystem::path root = std::filesystem::path(CORVANE_FIXTURES_DIR) / ".." / "fuzz" / "regressions";
    for (const auto& target : targets) {
        size_t inputs = 0;
        for (const auto& entry : std::filesystem::directory_iterator(root / target.dir)) {
            SCOPED_TRACE(entry.path().string());
            const std::vector<uint8_t> bytes = ntxtest::readBytes(entry.path().string());
            EXPECT_EQ(target.body(bytes.data(), bytes.size()), 0);
            ++inputs;
        }
        EXPECT_GT(inputs, 0u) << target.dir;
    }
}

}  // namespace

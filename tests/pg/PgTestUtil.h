#pragma once
// A context on a fresh database of the test server, ready for tables.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/PgCluster.h"
#include "pg/PgDriver.h"

namespace pgtest {

inline std::unique_ptr<xbase::Context> serverContext(std::string* uri = nullptr) {
    std::string error;
    const std::string where = freshDatabase(&error);
    EXPECT_FALSE(where.empty()) << error;
    if (where.empty()) return nullptr;
    if (uri) *uri = where;
    xbase::Status status;
    std::unique_ptr<xbase::Context> ctx = pg::openServerContext(where, &status);
    EXPECT_NE(ctx, nullptr) << status.message;
    if (ctx) {
        EXPECT_EQ(pg::prepareDatabase(*ctx), 0) << ctx->lastStatus().message;
    }
    return ctx;
}

}  // namespace pgtest

#pragma once
// A throwaway database server for the tests: initdb and pg_ctl into a temporary directory, listening
// only on a Unix socket there (as the postgres user when the tests run as root). Started once per
// test executable, at its first use, and stopped when the executable ends.
#include <string>

namespace pgtest {

// The URI of a new, empty database on the cluster (WIN1252, byte collation), or "" with the
// reason in *error.
std::string freshDatabase(std::string* error);
// The socket directory, for URIs the tests build themselves.
std::string socketDir();

}  // namespace pgtest

#pragma once
// The check of a business on a database server: every table opens (its columns typed as fields, its
// tags' indexes present), record numbers run 1..n, and each tag walks every record in key order with
// ties in record-number order, the keys computed here as the NTX files compute them.
#include <ostream>
#include <string>

namespace pg {

// Writes one line per fault to out; returns the number of faults (or -1 when the server cannot be
// reached, said on out).
int checkServer(const std::string& uri, std::ostream& out);

}  // namespace pg

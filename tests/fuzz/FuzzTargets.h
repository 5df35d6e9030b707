#pragma once
// The bodies of the fuzz harnesses. Each takes one input as libFuzzer passes it and works on it in a
// memory file system; it returns normally whatever the bytes are. libFuzzer calls them from its
// harness executables (built with clang, CORVANE_FUZZ=ON); the regression test replays every input
// that ever failed through the same functions under the normal build's sanitizers.
#include <cstddef>
#include <cstdint>

namespace fuzz {

// A table and its memo file: [u32 little-endian length n][n bytes of DBF][the rest as DBT]. Reads
// every field and memo, walks the records both ways, appends a record with a memo and packs.
int tableAndMemo(const uint8_t* data, size_t size);
// An NTX file: opens it, walks it (the check's walk), steps through the order both ways, seeks,
// inserts and removes a key.
int index(const uint8_t* data, size_t size);
// A key expression against a table layout with every field type: compiles it and evaluates it both
// ways, which must give the same key of the compiled length.
int keyExpression(const uint8_t* data, size_t size);
// An index built and changed: [u8 key length 1..16][u8 flags: 1 unique, 2 descending][u8 pairs the
// build takes] then operations of [u8 kind][key][u8 record]: the build's pairs, then inserts, removes
// and replaces. Afterwards the order must be the one a sorted list of the same changes gives, and
// the check's walk must find the tree sound.
int buildIndex(const uint8_t* data, size_t size);

}  // namespace fuzz

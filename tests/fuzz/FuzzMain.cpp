// A libFuzzer harness: FUZZ_TARGET names the body in FuzzTargets.h (set per executable by CMake).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return fuzz::FUZZ_TARGET(data, size); }

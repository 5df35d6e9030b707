#pragma once
// The program holds the data directory's lock; the tools take the same one (store/DataLock.h).
#include "store/DataLock.h"

namespace app {
using DataLock = store::DataLock;
}  // namespace app

#pragma once
// The index group file "<table>.cgp": one NTX file name per line, in tag order.
#include <string>
#include <vector>

#include "xbase/FileSystem.h"

namespace xbase {

// Reads the file names listed in a group file (trimmed; blank lines and "#" lines skipped).
Status readGroupFile(FileSystem& fs, const std::string& path, std::vector<std::string>* files);
// Writes a group file under a temporary name and renames it over path.
Status writeGroupFile(FileSystem& fs, const std::string& path, const std::vector<std::string>& files);

}  // namespace xbase

#include "xbase/Status.h"

#include <cstring>

namespace xbase {

Status makeStatus(int code, const std::string& file, const std::string& what, int osError) {
    Status s;
    s.code = code;
    s.file = file;
    s.osError = osError;
    s.message = what;
    if (!file.empty()) s.message += ": " + file;
    if (osError != 0) s.message += std::string(" (") + std::strerror(osError) + ")";
    return s;
}

}  // namespace xbase

// Why a file could not be opened for reading, in the words the user is
// told: that it does not exist, is not readable, is no regular file, is busy,
// or the system's own reason.
#pragma once

#include <string>

#include "core/host.h"

namespace quillon {

// The reason, in the host's language; `path` is looked at again to find it.
std::string OpenFailureText(const std::string& path, const Host& host);

}  // namespace quillon

// The name a new file gets when the user gives none.
#pragma once

#include <string>

namespace quillon {

// A free output name beside the input: film.mkv -> film.001.mkv (or the next
// free number), film.001.mkv -> film.002.mkv; the extension in lower case.
std::string makeOutFN(const std::string& inputPath);

}  // namespace quillon

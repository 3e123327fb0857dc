// The name a new file gets when the user gives none.
#pragma once

#include <string>
#include <vector>

namespace quillon {

// A free output name beside the input: film.mkv -> film.001.mkv (or the next
// free number), film.001.mkv -> film.002.mkv; the extension in lower case.
std::string makeOutFN(const std::string& inputPath);

// DIR/NAME for each of many inputs: never an input itself, never twice the
// same (two "episode.mkv" from different folders become "episode.mkv" and
// "episode (2).mkv").
std::vector<std::string> BatchOutputNames(const std::vector<std::string>& inputs, const std::string& dir);

}  // namespace quillon

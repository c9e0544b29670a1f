#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "tarnixmap/fairness/score.h"
#include "tarnixrandommap/mapfile/file_system.h"

namespace tarnix {

// A file of weights, as calibrate writes it and --weights reads it: a JSON
// object whose "weights" is an object giving every figure, by name, a
// weight from 0 to 100 (not all 0); anything else in it (calibrate's
// "calibration", how the weights were found) is for people to read.

// The file's text: `weights`, and `about` as its "calibration".
[[nodiscard]] std::string weights_file_text(const Weights& weights, const nlohmann::json& about);

// Reads the weights of the file at `path` into *weights. False, with
// *problem naming the file and what is wrong, when it cannot be read or is
// not such a file.
[[nodiscard]] bool read_weights_file(const std::string& path, FileSystem& files, Weights* weights,
                                     std::string* problem);

}  // namespace tarnix

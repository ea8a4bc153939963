// List files: one combo-box item per line, Windows-1250 bytes.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace spisotek::app {

class ListFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Splits a list file's bytes into items. A line ends at CR LF, LF or a lone
// CR; a last line without a break is still an item, a final break adds no
// empty item, an empty line is an empty item, nothing is trimmed, and a byte
// 0 ends the list.
std::vector<std::string> SplitListLines(std::string_view bytes);

// Reads the whole file and splits it; throws ListFileError when the file
// cannot be opened or read.
std::vector<std::string> LoadListFile(const std::string& fileName);

}  // namespace spisotek::app

// The text rules of the scan tests: trimming and ASCII-only case folding.
#pragma once

#include <string>
#include <string_view>

namespace spisotek::search {

// Removes leading and trailing bytes 0 to 32.
std::string_view TrimControls(std::string_view text);

// Maps a-z to A-Z and leaves every other byte (Polish letters included).
std::string FoldAscii(std::string_view text);

// Whether the already folded needle stands at the very beginning of / occurs
// anywhere in the haystack folded. An empty needle is never found.
bool StartsWithFolded(std::string_view haystack, std::string_view foldedNeedle);
bool ContainsFolded(std::string_view haystack, std::string_view foldedNeedle);

}  // namespace spisotek::search

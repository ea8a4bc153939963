#include "search/text_match.h"

namespace spisotek::search {

namespace {

inline unsigned char Fold(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

inline bool FoldedEqualAt(std::string_view haystack, std::size_t at, std::string_view needle) {
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (Fold(static_cast<unsigned char>(haystack[at + i])) !=
            static_cast<unsigned char>(needle[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string_view TrimControls(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string FoldAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
    }
    return folded;
}

bool StartsWithFolded(std::string_view haystack, std::string_view foldedNeedle) {
    if (foldedNeedle.empty() || foldedNeedle.size() > haystack.size()) {
        return false;
    }
    return FoldedEqualAt(haystack, 0, foldedNeedle);
}

bool ContainsFolded(std::string_view haystack, std::string_view foldedNeedle) {
    if (foldedNeedle.empty() || foldedNeedle.size() > haystack.size()) {
        return false;
    }
    const unsigned char first = static_cast<unsigned char>(foldedNeedle[0]);
    const std::size_t last = haystack.size() - foldedNeedle.size();
    for (std::size_t at = 0; at <= last; ++at) {
        if (Fold(static_cast<unsigned char>(haystack[at])) == first &&
            FoldedEqualAt(haystack, at + 1, foldedNeedle.substr(1))) {
            return true;
        }
    }
    return false;
}

}  // namespace spisotek::search

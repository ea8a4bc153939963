#include "webupdate/transfer/names.h"

#include <cctype>

#include "webupdate/transfer/transfer_host.h"

namespace spisotek::webupdate::transfer {

std::string TransferHost::FileNameFromURL(const std::string& url) {
    return DefaultFileNameFromURL(url);
}

std::string DefaultFileNameFromURL(std::string_view url) {
    std::string_view name = url;
    if (auto slash = name.rfind('/'); slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    if (auto backslash = name.rfind('\\'); backslash != std::string_view::npos) {
        name.remove_prefix(backslash + 1);
    }
    return std::string(name);
}

std::string HostOfAddress(std::string_view address) {
    if (auto scheme = address.find("://"); scheme != std::string_view::npos) {
        address.remove_prefix(scheme + 3);
    }
    auto end = address.find_first_of("/\\");
    return std::string(address.substr(0, end));
}

std::string Base64Encode(std::string_view data) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        unsigned v = (static_cast<unsigned char>(data[i]) << 16) |
                     (static_cast<unsigned char>(data[i + 1]) << 8) |
                     static_cast<unsigned char>(data[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (size_t rest = data.size() - i; rest > 0) {
        unsigned v = static_cast<unsigned char>(data[i]) << 16;
        if (rest == 2) {
            v |= static_cast<unsigned char>(data[i + 1]) << 8;
        }
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string RewriteWithProxyCredentials(const std::string& address, const std::string& user,
                                        const std::string& password) {
    static constexpr std::string_view kScheme = "http://";
    if (user.empty() || !StartsWithNoCase(address, kScheme)) {
        return address;
    }
    return "http://" + PercentEncode(user) + ":" + PercentEncode(password) + "@" +
           address.substr(kScheme.size());
}

std::string ToNativeSeparators(std::string path) {
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

std::string UpperExtension(std::string_view path) {
    auto sep = path.find_last_of("/\\");
    auto dot = path.rfind('.');
    if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep)) {
        return {};
    }
    std::string ext(path.substr(dot));
    for (char& c : ext) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return ext;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.emplace_back(text.substr(start));
    }
    return lines;
}

}  // namespace spisotek::webupdate::transfer

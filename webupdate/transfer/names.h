#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace spisotek::webupdate::transfer {

// The text after the last "/" and then after the last "\" (empty for an address ending in one).
std::string DefaultFileNameFromURL(std::string_view url);

// The host part of an address: after "://" up to the first "/" or "\".
std::string HostOfAddress(std::string_view address);

// Standard Base64 (RFC 4648) with "=" padding.
std::string Base64Encode(std::string_view data);

// Every byte but letters, digits and "-._~" as %XX: safe in a user name,
// password or path segment of an address.
std::string PercentEncode(std::string_view text);

// An "http://" address (any case) with the proxy user and password written in front of the
// host; other schemes and an empty user leave the address unchanged. The user and password are
// percent-encoded where they would otherwise break the address.
std::string RewriteWithProxyCredentials(const std::string& address, const std::string& user,
                                        const std::string& password);

// Windows-written paths use "\"; the file system here uses "/".
std::string ToNativeSeparators(std::string path);

// The extension (from the last "." after the last separator), upper-cased ASCII; empty if none.
std::string UpperExtension(std::string_view path);

// The lines of a text, split at CR LF, LF or CR; a final line end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace spisotek::webupdate::transfer

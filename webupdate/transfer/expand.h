#pragma once

#include <string>

namespace spisotek::webupdate::transfer {

enum class ExpandResult {
    kExpanded,       // the expanded file is in place, the compressed one deleted
    kNotCompressed,  // not in the SZDD format: left exactly as it was
    kCorrupt,        // damaged or truncated data: nothing changed
    kFailed,         // unreadable, or the expanded file could not be written: nothing changed
};

// The name a compressed file expands to: a final "_" is replaced by the character stored in
// the header, or dropped when the header stores none; any other name stays as it is.
std::string ExpandedName(const std::string& path, char storedCharacter);

// Expands an SZDD ("compress") file beside itself under its expanded name and deletes the
// compressed file. The expanded file replaces any old one in a single rename, and only when
// its length matches the header, so damaged input never destroys anything.
ExpandResult ExpandCompressedFile(const std::string& path);

// Extracts every file of a cabinet below targetDirectory (empty: the current directory),
// creating the stored relative folders and giving each file its stored date and time.
// A cabinet with a stored name that would leave the target folder (absolute, "..") is refused
// whole. Each file replaces its old copy only once fully extracted. 0 on success, -1 otherwise.
int ExtractCabinet(const std::string& cabinetPath, const std::string& targetDirectory);

}  // namespace spisotek::webupdate::transfer

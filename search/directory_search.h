// The subscriber search and the company search.
//
// Both take the page's input texts exactly as the controls hold them
// (Windows-1250; the subscriber page's surname and street edits already
// upper-cased), load their tables afresh from the program folder, locate a
// starting entry (case-insensitive, partial key) and scan forward to the end
// of the table, appending an entry block for every accepted entry.
//
// What the view sees:
//  - missing surname or locality (subscriber search only): the message
//    "Nazwisko i miejscowość są polami wymaganymi.", nothing else;
//  - otherwise the wait page (viewer made visible), then the results page
//    loaded; when no starting entry was located the viewer is hidden and
//    "Nie znaleziono pozycji spełniających wprowadzone kryteria." shown
//    before the (head and foot only) page is loaded.
//
// Errors: a data file that cannot be opened or holds a value its field
// refuses throws the table's error (spisotek::EDataError and descendants,
// what() is the text to show) out of the search. The wait page then stays
// in the visible viewer and the tables the search loaded are closed again,
// so no half-loaded entries linger into a later search. The caller reports
// the error as the application's default error report: a message box with
// what() (see ErrorTextToUtf8). std::bad_alloc may escape the same way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "search/directory_tables.h"
#include "search/search_view.h"

namespace spisotek::search {

inline constexpr char kMissingInputMessage[] =
    "Nazwisko i miejscowo\x9c\xe6 s\xb9 polami wymaganymi.";  // Windows-1250
inline constexpr char kNotFoundMessage[] =
    "Nie znaleziono pozycji spe\xb3niaj\xb9"
    "cych wprowadzone kryteria.";  // Windows-1250

enum class SearchOutcome {
    kMissingInput,  // validation refused the input; the view was not touched
    kNotFound,      // no starting entry; viewer hidden, message shown
    kShown,         // results page shown (possibly without any entry)
};

struct SearchResult {
    SearchOutcome outcome = SearchOutcome::kMissingInput;
    std::size_t acceptedEntries = 0;
};

struct SubscriberInput {
    std::string surname;   // EditNazwisko
    std::string locality;  // EditMiasto
    std::string street;    // EditUlica
};

struct CompanyInput {
    std::string company;   // EditFirma
    std::string locality;  // EditMiasto2
};

// programFolder ends with '/' (or is empty for the current folder).
SearchResult RunSubscriberSearch(DirectoryTables& tables, std::string_view programFolder,
                                 const SubscriberInput& input, SearchView& view);
SearchResult RunCompanySearch(DirectoryTables& tables, std::string_view programFolder,
                              const CompanyInput& input, SearchView& view);

// The company key for a typed company name: the `nazwa` of the first
// `tFirmy` entry whose `firma` begins with the trimmed name (case ignored),
// else the trimmed name itself. tFirmy must be open.
std::string ResolveCompanyKey(DirectoryTables& tables, std::string_view companyName);

// An error text for display: returned unchanged when it is valid UTF-8
// (file names), otherwise decoded from Windows-1250 (data values).
std::string ErrorTextToUtf8(std::string_view what);

}  // namespace spisotek::search

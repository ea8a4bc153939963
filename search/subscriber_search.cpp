#include <string>
#include <utility>

#include "memtable/variant.h"
#include "search/directory_search.h"
#include "search/text_match.h"

namespace spisotek::search {

namespace {

const TLocateOptions kLocateOptions{loCaseInsensitive, loPartialKey};

// Scans from the located entry to the end of tBaza. The cheap tests come
// first and the displayed fields are read only for accepted entries.
template <typename Accept>
std::size_t ScanSubscribers(DirectoryTables& tables, HtmlPage& page, SearchView& view, bool marked,
                            Accept accept) {
    TdxDBTreePrintData& table = tables.tBaza;
    std::size_t accepted = 0;
    while (!table.Eof()) {
        const std::string_view miasto = tables.tBazamiasto->AsStringView();
        const std::string_view nazwisko = tables.tBazanazwisko->AsStringView();
        if (accept(miasto, nazwisko)) {
            const std::string_view ulica = tables.tBazaulica->AsStringView();
            const std::string_view imie = tables.tBazaimie->AsStringView();
            const std::string_view numerTel = tables.tBazanumer_tel->AsStringView();
            view.EntryAccepted(AcceptedEntry{nazwisko, imie, ulica, numerTel, miasto});
            AppendEntryBlock(page, nazwisko, imie, ulica, numerTel, miasto, marked);
            ++accepted;
        }
        table.Next();
    }
    return accepted;
}

}  // namespace

SearchResult RunSubscriberSearch(DirectoryTables& tables, std::string_view programFolder,
                                 const SubscriberInput& input, SearchView& view) {
    SearchResult result;
    const std::string_view surname = TrimControls(input.surname);
    const std::string_view locality = TrimControls(input.locality);
    if (surname.empty() || locality.empty()) {
        view.ShowMessage(kMissingInputMessage);
        result.outcome = SearchOutcome::kMissingInput;
        return result;
    }

    ShowWaitPage(view);
    HtmlPage page;
    TdxDBTreePrintData& table = tables.tBaza;
    try {
        table.LoadDelimitedFile(std::string(programFolder) + kSubscriberFile);
    } catch (...) {
        // A load refused half-way leaves the lines before in the table; drop
        // them so that a later load of an empty file cannot show them.
        table.SetActive(false);
        throw;
    }
    table.SetActive(true);
    AppendHead(page);

    // The scan tests use the texts as typed, untrimmed.
    const std::string foldedSurname = FoldAscii(input.surname);
    const std::string foldedLocality = FoldAscii(input.locality);
    const std::string_view street = TrimControls(input.street);
    bool located = false;
    if (street.empty()) {
        located = table.Locate(
            "nazwisko;miasto",
            TVariant::Array({TVariant(std::string(surname)), TVariant(std::string(locality))}),
            kLocateOptions);
        if (located) {
            result.acceptedEntries = ScanSubscribers(
                tables, page, view, false, [&](std::string_view miasto, std::string_view nazwisko) {
                    return StartsWithFolded(miasto, foldedLocality) &&
                           StartsWithFolded(nazwisko, foldedSurname);
                });
        }
    } else {
        const std::string foldedStreet = FoldAscii(input.street);
        located = table.Locate(
            "ulica;nazwisko;miasto",
            TVariant::Array({TVariant(std::string(street)), TVariant(std::string(surname)),
                             TVariant(std::string(locality))}),
            kLocateOptions);
        if (located) {
            result.acceptedEntries = ScanSubscribers(
                tables, page, view, true, [&](std::string_view miasto, std::string_view nazwisko) {
                    // ulica is read only when the cheaper fields pass.
                    return ContainsFolded(miasto, foldedLocality) &&
                           ContainsFolded(nazwisko, foldedSurname) &&
                           ContainsFolded(tables.tBazaulica->AsStringView(), foldedStreet);
                });
        }
    }
    if (!located) {
        view.SetViewerVisible(false);
        view.ShowMessage(kNotFoundMessage);
    }

    table.SetActive(false);
    AppendFoot(page);
    view.LoadPage(page);
    result.outcome = located ? SearchOutcome::kShown : SearchOutcome::kNotFound;
    return result;
}

}  // namespace spisotek::search

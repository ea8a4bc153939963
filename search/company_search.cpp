#include <string>

#include "memtable/variant.h"
#include "search/directory_search.h"
#include "search/text_match.h"

namespace spisotek::search {

namespace {

const TLocateOptions kLocateOptions{loCaseInsensitive, loPartialKey};

// Loads one table, closing it again when the load is refused half-way so no
// entries of a failed load outlive the search.
void LoadTable(TdxDBTreePrintData& table, std::string_view programFolder, const char* file) {
    try {
        table.LoadDelimitedFile(std::string(programFolder) + file);
    } catch (...) {
        table.SetActive(false);
        throw;
    }
    table.SetActive(true);
}

template <typename Accept>
std::size_t ScanCompanyEntries(DirectoryTables& tables, HtmlPage& page, SearchView& view,
                               Accept accept) {
    TdxDBTreePrintData& table = tables.tBaza_firm;
    std::size_t accepted = 0;
    while (!table.Eof()) {
        if (accept()) {
            const std::string_view nazwisko = tables.tBaza_firmnazwisko->AsStringView();
            const std::string_view imie = tables.tBaza_firmimie->AsStringView();
            const std::string address = CompanyAddressText(
                tables.tBaza_firmulica->AsStringView(), tables.tBaza_firmnr_domu->AsStringView(),
                tables.tBaza_firmnr_lokalu->AsStringView());
            const std::string_view numerTel = tables.tBaza_firmnumer_tel->AsStringView();
            const std::string_view miasto = tables.tBaza_firmmiasto->AsStringView();
            view.EntryAccepted(AcceptedEntry{nazwisko, imie, address, numerTel, miasto});
            AppendEntryBlock(page, nazwisko, imie, address, numerTel, miasto, false);
            ++accepted;
        }
        table.Next();
    }
    return accepted;
}

}  // namespace

std::string ResolveCompanyKey(DirectoryTables& tables, std::string_view companyName) {
    const std::string name(TrimControls(companyName));
    if (tables.tFirmy.Locate("firma", TVariant(name), kLocateOptions)) {
        return tables.tFirmynazwa->AsString();
    }
    return name;
}

SearchResult RunCompanySearch(DirectoryTables& tables, std::string_view programFolder,
                              const CompanyInput& input, SearchView& view) {
    SearchResult result;
    ShowWaitPage(view);
    HtmlPage page;
    try {
        LoadTable(tables.tBaza_firm, programFolder, kCompanyEntryFile);
        LoadTable(tables.tFirmy, programFolder, kCompanyNameFile);
    } catch (...) {
        tables.tBaza_firm.SetActive(false);
        throw;
    }
    AppendHead(page);

    TdxDBTreePrintData& entries = tables.tBaza_firm;
    const std::string_view trimmedCompany = TrimControls(input.company);
    bool located = false;
    if (input.locality.empty()) {
        // Branch A: by company.
        const std::string key = ResolveCompanyKey(tables, input.company);
        located = entries.Locate("clientid", TVariant(key), kLocateOptions);
        if (located) {
            const std::string foldedKey = FoldAscii(key);
            result.acceptedEntries = ScanCompanyEntries(tables, page, view, [&] {
                return ContainsFolded(tables.tBaza_firmclientid->AsStringView(), foldedKey);
            });
        }
    } else if (!trimmedCompany.empty()) {
        // Branch B: the locality only picks the starting entry.
        const std::string key = ResolveCompanyKey(tables, input.company);
        located = entries.Locate(
            "clientid;miasto",
            TVariant::Array({TVariant(key), TVariant(std::string(TrimControls(input.locality)))}),
            kLocateOptions);
        if (located) {
            const std::string foldedKey = FoldAscii(key);
            result.acceptedEntries = ScanCompanyEntries(tables, page, view, [&] {
                return ContainsFolded(tables.tBaza_firmclientid->AsStringView(), foldedKey);
            });
        }
    } else {
        // Branch C: every entry of a locality.
        const std::string locality(TrimControls(input.locality));
        located = entries.Locate("miasto", TVariant(locality), kLocateOptions);
        if (located) {
            const std::string foldedLocality = FoldAscii(locality);
            result.acceptedEntries = ScanCompanyEntries(tables, page, view, [&] {
                return ContainsFolded(tables.tBaza_firmmiasto->AsStringView(), foldedLocality);
            });
        }
    }
    if (!located) {
        view.SetViewerVisible(false);
        view.ShowMessage(kNotFoundMessage);
    }

    entries.SetActive(false);
    tables.tFirmy.SetActive(false);
    AppendFoot(page);
    view.LoadPage(page);
    result.outcome = located ? SearchOutcome::kShown : SearchOutcome::kNotFound;
    return result;
}

}  // namespace spisotek::search

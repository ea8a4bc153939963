// The three directory tables the main window owns.
//
// `tBaza` holds the subscribers (baza.dat), `tBaza_firm` the entries of
// companies and institutions (baza_firm.dat), `tFirmy` the company names
// and the keys their entries are filed under (firmy_2.dat). The tables are
// closed and empty except while a search runs: every search loads them from
// their files and closes them again. The field objects are owned by their
// tables and stay valid for the lifetime of this object.
#pragma once

#include "memtable/field.h"
#include "memtable/tree_print_data.h"

namespace spisotek::search {

// Data and list files, joined to the program folder by the callers.
inline constexpr char kSubscriberFile[] = "baza.dat";
inline constexpr char kCompanyEntryFile[] = "baza_firm.dat";
inline constexpr char kCompanyNameFile[] = "firmy_2.dat";
inline constexpr char kLocalityListFile[] = "miejscowosci.dat";
inline constexpr char kCompanyListFile[] = "firmy.dat";

class DirectoryTables {
  public:
    DirectoryTables();
    DirectoryTables(const DirectoryTables&) = delete;
    DirectoryTables& operator=(const DirectoryTables&) = delete;

    // Closes all three tables, discarding their entries.
    void CloseAll();

    TdxDBTreePrintData tBaza{"tBaza"};
    TdxDBTreePrintData tBaza_firm{"tBaza_firm"};
    TdxDBTreePrintData tFirmy{"tFirmy"};

    TField* tBazaclientid;
    TField* tBazaimie;
    TField* tBazanazwisko;
    TField* tBazamiasto;
    TField* tBazaulica;
    TField* tBazanumer_tel;

    TField* tBaza_firmclientid;
    TField* tBaza_firmimie;
    TField* tBaza_firmnazwisko;
    TField* tBaza_firmmiasto;
    TField* tBaza_firmulica;
    TField* tBaza_firmnumer_tel;
    TField* tBaza_firmnr_domu;
    TField* tBaza_firmnr_lokalu;

    TField* tFirmyfirma;
    TField* tFirmynazwa;
};

}  // namespace spisotek::search

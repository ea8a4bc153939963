#include "search/directory_tables.h"

namespace spisotek::search {

DirectoryTables::DirectoryTables()
    : tBazaclientid(&tBaza.AddField("clientid", ftInteger)),
      tBazaimie(&tBaza.AddField("imie", ftString, 100)),
      tBazanazwisko(&tBaza.AddField("nazwisko", ftString, 100)),
      tBazamiasto(&tBaza.AddField("miasto", ftString, 100)),
      tBazaulica(&tBaza.AddField("ulica", ftString, 100)),
      tBazanumer_tel(&tBaza.AddField("numer_tel", ftString, 20)),
      tBaza_firmclientid(&tBaza_firm.AddField("clientid", ftString, 10)),
      tBaza_firmimie(&tBaza_firm.AddField("imie", ftString, 250)),
      tBaza_firmnazwisko(&tBaza_firm.AddField("nazwisko", ftString, 250)),
      tBaza_firmmiasto(&tBaza_firm.AddField("miasto", ftString, 250)),
      tBaza_firmulica(&tBaza_firm.AddField("ulica", ftString, 250)),
      tBaza_firmnumer_tel(&tBaza_firm.AddField("numer_tel", ftString, 20)),
      tBaza_firmnr_domu(&tBaza_firm.AddField("nr_domu", ftString, 10)),
      tBaza_firmnr_lokalu(&tBaza_firm.AddField("nr_lokalu", ftString, 10)),
      tFirmyfirma(&tFirmy.AddField("firma", ftString, 250)),
      tFirmynazwa(&tFirmy.AddField("nazwa", ftString, 250)) {}

void DirectoryTables::CloseAll() {
    tBaza.SetActive(false);
    tBaza_firm.SetActive(false);
    tFirmy.SetActive(false);
}

}  // namespace spisotek::search

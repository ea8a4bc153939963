#include "tools/directory_generator.h"

#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/cp1250.h"

namespace spisotek::tools {

namespace {

// Lists are ordered from the most to the least frequent; Pick() favours
// the front.
constexpr std::string_view kMaleNames[] = {
    "Jan",      "Piotr",     "Krzysztof",  "Andrzej", "Tomasz",    "Paweł",    "Michał",
    "Marcin",   "Stanisław", "Józef",      "Marek",   "Grzegorz",  "Łukasz",   "Adam",
    "Zbigniew", "Jerzy",     "Tadeusz",    "Mateusz", "Dariusz",   "Mariusz",  "Wojciech",
    "Ryszard",  "Jakub",     "Henryk",     "Robert",  "Kazimierz", "Sławomir", "Zdzisław",
    "Bogdan",   "Edward",    "Mieczysław", "Czesław", "Jacek",     "Leszek",   "Bartłomiej",
};
constexpr std::string_view kFemaleNames[] = {
    "Anna",     "Maria",    "Katarzyna", "Małgorzata", "Agnieszka", "Barbara",    "Ewa",
    "Krystyna", "Elżbieta", "Zofia",     "Joanna",     "Magdalena", "Monika",     "Teresa",
    "Danuta",   "Dorota",   "Jadwiga",   "Beata",      "Halina",    "Irena",      "Grażyna",
    "Bożena",   "Jolanta",  "Urszula",   "Żaneta",     "Wanda",     "Stanisława", "Alicja",
    "Marianna", "Genowefa", "Łucja",     "Aleksandra", "Iwona",     "Renata",     "Jadwiga",
};
// Masculine forms; "-ski", "-cki" and "-dzki" take "-a" for women.
constexpr std::string_view kSurnames[] = {
    "NOWAK",       "KOWALSKI",    "WIŚNIEWSKI",  "WÓJCIK",      "KOWALCZYK",    "KAMIŃSKI",
    "LEWANDOWSKI", "ZIELIŃSKI",   "SZYMAŃSKI",   "WOŹNIAK",     "DĄBROWSKI",    "KOZŁOWSKI",
    "JANKOWSKI",   "MAZUR",       "KWIATKOWSKI", "KRAWCZYK",    "PIOTROWSKI",   "GRABOWSKI",
    "NOWAKOWSKI",  "PAWŁOWSKI",   "MICHALSKI",   "NOWICKI",     "ADAMCZYK",     "DUDEK",
    "ZAJĄC",       "WIECZOREK",   "JABŁOŃSKI",   "KRÓL",        "MAJEWSKI",     "OLSZEWSKI",
    "JAWORSKI",    "WRÓBEL",      "MALINOWSKI",  "PAWLAK",      "WITKOWSKI",    "WALCZAK",
    "STĘPIEŃ",     "GÓRSKI",      "RUTKOWSKI",   "MICHALAK",    "SIKORA",       "OSTROWSKI",
    "BARAN",       "DUDA",        "SZEWCZYK",    "TOMASZEWSKI", "PIETRZAK",     "MARCINIAK",
    "WRÓBLEWSKI",  "ZALEWSKI",    "JAKUBOWSKI",  "JASIŃSKI",    "ZAWADZKI",     "SADOWSKI",
    "BĄK",         "CHMIELEWSKI", "WŁODARCZYK",  "BORKOWSKI",   "CZARNECKI",    "SAWICKI",
    "SOKOŁOWSKI",  "URBAŃSKI",    "KUBIAK",      "MACIEJEWSKI", "SZCZEPAŃSKI",  "KUCHARSKI",
    "WILK",        "KALINOWSKI",  "LIS",         "MAZUREK",     "WYSOCKI",      "ADAMSKI",
    "KAŹMIERCZAK", "WASILEWSKI",  "SOBCZAK",     "CZERWIŃSKI",  "ANDRZEJEWSKI", "CIEŚLAK",
    "GŁOWACKI",    "ZAKRZEWSKI",  "KOŁODZIEJ",   "SIKORSKI",    "KRAJEWSKI",    "GAJEWSKI",
    "SZYMCZAK",    "SZULC",       "BARANOWSKI",  "LASKOWSKI",   "BRZEZIŃSKI",   "MAKOWSKI",
    "ZIÓŁKOWSKI",  "PRZYBYLSKI",  "KOWALEWSKI",  "ŻAK",         "ŚLIWA",        "ŁUKASZEWICZ",
};
struct Locality {
    std::string_view name;
    std::string_view areaCode;
};
constexpr Locality kLocalities[] = {
    {"Kraków", "12"},         {"Wrzosogród", "14"},  {"Modrzyń", "14"},
    {"Jarzębin Dolny", "14"}, {"Kłosowiec", "14"},   {"Kraśnik", "81"},
    {"Krosno", "13"},         {"Wieliczka", "12"},   {"Tarnów", "14"},
    {"Nowy Sącz", "18"},      {"Bochnia", "14"},     {"Myślenice", "12"},
    {"Skawina", "12"},        {"Niepołomice", "12"}, {"Olkusz", "32"},
    {"Chrzanów", "32"},       {"Oświęcim", "33"},    {"Zakopane", "18"},
    {"Rzeszów", "17"},        {"Krotoszyn", "62"},   {"Łódź", "42"},
    {"Warszawa", "22"},       {"Wrocław", "71"},     {"Poznań", "61"},
    {"Gdańsk", "58"},         {"Żywiec", "33"},      {"Świątniki Górne", "12"},
    {"Jarzębin Górny", "14"}, {"Kraszewice", "62"},  {"Dębica", "14"},
};
constexpr std::string_view kStreets[] = {
    "Długa",       "Krakowska",    "Polna",        "Leśna",         "Słoneczna",     "Kwiatowa",
    "Szkolna",     "Ogrodowa",     "Lipowa",       "Łąkowa",        "Brzozowa",      "Kościuszki",
    "Mickiewicza", "Sienkiewicza", "Piłsudskiego", "Jana Pawła II", "3 Maja",        "Kościelna",
    "Zielona",     "Wiejska",      "Źródlana",     "Żeromskiego",   "Reymonta",      "Konopnickiej",
    "Słowackiego", "Kopernika",    "Chopina",      "Rynek",         "Plac Wolności", "Krótka",
    "Wrzosowa",    "Modrzewiowa",  "Jarzębinowa",  "Kłosowa",       "Akacjowa",
};
constexpr std::string_view kCompanyKinds[] = {
    "Przedsiębiorstwo Handlowo-Usługowe",
    "Zakład Usług Remontowych",
    "Hurtownia Spożywcza",
    "Apteka",
    "Piekarnia",
    "Kancelaria Adwokacka",
    "Biuro Rachunkowe",
    "Przychodnia Lekarska",
    "Szkoła Podstawowa",
    "Urząd Gminy",
    "Gminny Ośrodek Kultury",
    "Stacja Paliw",
    "Warsztat Samochodowy",
    "Sklep Wielobranżowy",
    "Bank Spółdzielczy",
    "Ośrodek Zdrowia",
    "Restauracja",
    "Hotel",
    "Zakład Stolarski",
    "Biuro Podróży",
};
constexpr std::string_view kBrands[] = {
    "Jantar",    "Pod Lipami", "Max-Pol",    "Agro-Mix", "Bud-Rem",  "Ekspres", "Sezam",
    "Orzeł",     "Róża",       "Słonecznik", "Mazur",    "Wrzos",    "Zorza",   "Kłos",
    "Pod Dębem", "Świt",       "Gwiazda",    "Żuraw",    "Elektron", "Tęcza",
};
constexpr std::string_view kDepartments[] = {
    "Sekretariat", "Centrala",   "Fax",    "Dział Handlowy", "Księgowość",
    "Kierownik",   "Portiernia", "Serwis", "Magazyn",        "Rejestracja",
};

// SplitMix64: small, fast and the same on every platform.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
    // Index into n items, the front favoured (u squared).
    std::size_t Skewed(std::size_t n) {
        const double u = static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
        return static_cast<std::size_t>(u * u * static_cast<double>(n));
    }
    bool Chance(unsigned percent) { return Below(100) < percent; }

  private:
    std::uint64_t state_;
};

std::vector<std::string> ToCp1250(const std::string_view* items, std::size_t count) {
    std::vector<std::string> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(platform::Utf8ToCp1250(items[i]));
    }
    return out;
}

template <std::size_t N>
std::vector<std::string> ToCp1250(const std::string_view (&items)[N]) {
    return ToCp1250(items, N);
}

struct Lists {
    std::vector<std::string> maleNames = ToCp1250(kMaleNames);
    std::vector<std::string> femaleNames = ToCp1250(kFemaleNames);
    std::vector<std::string> surnames = ToCp1250(kSurnames);
    std::vector<std::string> streets = ToCp1250(kStreets);
    std::vector<std::string> streetsUpper;
    std::vector<std::string> localities;
    std::vector<std::string> companyKinds = ToCp1250(kCompanyKinds);
    std::vector<std::string> brands = ToCp1250(kBrands);
    std::vector<std::string> departments = ToCp1250(kDepartments);

    Lists() {
        for (const std::string& street : streets) {
            streetsUpper.push_back(platform::ToUpperCp1250(street));
        }
        for (const Locality& locality : kLocalities) {
            localities.push_back(platform::Utf8ToCp1250(locality.name));
        }
    }
};

// Buffered writer of one file; lines end with CR LF.
class FileWriter {
  public:
    explicit FileWriter(const std::string& path) : path_(path) {
        file_ = std::fopen(path.c_str(), "wb");
        if (file_ == nullptr) {
            throw std::runtime_error("cannot create " + path);
        }
        buffer_.reserve(kFlushBytes + 4096);
    }
    ~FileWriter() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    std::string& Buffer() { return buffer_; }
    void EndLine() {
        buffer_.append("\r\n");
        if (buffer_.size() >= kFlushBytes) {
            Flush();
        }
    }
    void Close() {
        Flush();
        const int rc = std::fclose(file_);
        file_ = nullptr;
        if (rc != 0) {
            throw std::runtime_error("cannot write " + path_);
        }
    }

  private:
    static constexpr std::size_t kFlushBytes = 1 << 20;
    void Flush() {
        if (!buffer_.empty() &&
            std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
            throw std::runtime_error("cannot write " + path_);
        }
        buffer_.clear();
    }

    std::string path_;
    std::FILE* file_ = nullptr;
    std::string buffer_;
};

void AppendNumber(std::string& out, std::size_t value, int width) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*zu", width, value);
    out.append(digits);
}

std::string Surname(const std::string& masculine, bool female) {
    const std::size_t n = masculine.size();
    if (female && n >= 3 && masculine[n - 1] == 'I' && masculine[n - 2] == 'K') {
        return masculine.substr(0, n - 1) + 'A';
    }
    return masculine;
}

void AppendPhone(std::string& out, Random& random, std::string_view areaCode) {
    if (random.Chance(35)) {
        static constexpr std::string_view kMobile[] = {"50", "51", "60", "66",
                                                       "69", "72", "79", "88"};
        out.append(kMobile[random.Below(std::size(kMobile))]);
        AppendNumber(out, random.Below(10), 1);
        out.push_back(' ');
        AppendNumber(out, random.Below(1000), 3);
        out.push_back(' ');
        AppendNumber(out, random.Below(1000), 3);
    } else {
        out.push_back('(');
        out.append(areaCode);
        out.append(") ");
        AppendNumber(out, 200 + random.Below(800), 3);
        out.push_back(' ');
        AppendNumber(out, random.Below(100), 2);
        out.push_back(' ');
        AppendNumber(out, random.Below(100), 2);
    }
}

void WriteSubscribers(const std::string& path, std::size_t count, Random& random,
                      const Lists& lists) {
    FileWriter writer(path);
    std::string& out = writer.Buffer();
    out.append("clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel");
    writer.EndLine();
    for (std::size_t i = 0; i < count; ++i) {
        const bool female = random.Chance(50);
        const std::vector<std::string>& names = female ? lists.femaleNames : lists.maleNames;
        const std::size_t localityIndex = random.Skewed(lists.localities.size());
        AppendNumber(out, 100001 + i, 1);
        out.push_back('\t');
        out.append(names[random.Skewed(names.size())]);
        out.push_back('\t');
        out.append(Surname(lists.surnames[random.Skewed(lists.surnames.size())], female));
        out.push_back('\t');
        out.append(lists.localities[localityIndex]);
        out.push_back('\t');
        out.append(lists.streetsUpper[random.Skewed(lists.streetsUpper.size())]);
        out.push_back(' ');
        AppendNumber(out, 1 + random.Skewed(120), 1);
        if (random.Chance(40)) {
            out.append(" M. ");
            AppendNumber(out, 1 + random.Below(60), 1);
        }
        out.push_back('\t');
        AppendPhone(out, random, kLocalities[localityIndex].areaCode);
        writer.EndLine();
    }
    writer.Close();
}

void WriteCompanies(const std::string& folder, std::size_t count, Random& random,
                    const Lists& lists) {
    FileWriter names(folder + "firmy_2.dat");
    FileWriter entries(folder + "baza_firm.dat");
    FileWriter pickList(folder + "firmy.dat");
    names.Buffer().append("firma\tnazwa");
    names.EndLine();
    entries.Buffer().append(
        "clientid\timie\tnazwisko\tmiasto\tulica\tnumer_tel\tnr_domu\tnr_lokalu");
    entries.EndLine();

    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < count; ++i) {
        std::string firma = lists.companyKinds[random.Skewed(lists.companyKinds.size())];
        firma.append(" \"");
        if (random.Chance(40)) {
            const std::string& surname = lists.surnames[random.Skewed(lists.surnames.size())];
            firma.append(surname);
        } else {
            firma.append(lists.brands[random.Below(lists.brands.size())]);
        }
        firma.push_back('"');
        if (!seen.insert(firma).second) {
            firma.append(" nr ");
            AppendNumber(firma, i + 1, 1);
            seen.insert(firma);
        }
        std::string key = "F";
        AppendNumber(key, i + 1, 5);

        names.Buffer().append(firma).append("\t").append(key);
        names.EndLine();
        pickList.Buffer().append(firma);
        pickList.EndLine();

        const std::size_t home = random.Skewed(lists.localities.size());
        const std::size_t entryCount = 1 + random.Below(5);
        for (std::size_t e = 0; e < entryCount; ++e) {
            // Most entries sit at the seat; some are branches elsewhere.
            const std::size_t locality =
                (e > 0 && random.Chance(25)) ? random.Below(lists.localities.size()) : home;
            std::string& out = entries.Buffer();
            out.append(key).append("\t");
            out.append(lists.departments[e == 0 ? 0 : random.Below(lists.departments.size())]);
            out.append("\t").append(firma).append("\t");
            out.append(lists.localities[locality]).append("\t");
            out.append("ul. ").append(lists.streets[random.Skewed(lists.streets.size())]);
            out.append("\t");
            AppendPhone(out, random, kLocalities[locality].areaCode);
            out.append("\t");
            AppendNumber(out, 1 + random.Skewed(80), 1);
            if (random.Chance(10)) {
                out.push_back(static_cast<char>('a' + random.Below(3)));
            }
            out.append("\t");
            if (random.Chance(40)) {
                AppendNumber(out, 1 + random.Below(30), 1);
            }
            entries.EndLine();
        }
    }
    names.Close();
    entries.Close();
    pickList.Close();
}

void WriteLocalities(const std::string& path, const Lists& lists) {
    FileWriter writer(path);
    for (const std::string& locality : lists.localities) {
        writer.Buffer().append(locality);
        writer.EndLine();
    }
    writer.Close();
}

}  // namespace

void WriteSubscriberFile(const std::string& path, std::size_t subscribers, std::uint64_t seed) {
    const Lists lists;
    Random random(seed);
    WriteSubscribers(path, subscribers, random, lists);
}

void GenerateDirectory(const std::string& folder, const GeneratorOptions& options) {
    const Lists lists;
    Random random(options.seed);
    WriteSubscribers(folder + "baza.dat", options.subscribers, random, lists);
    if (options.subscribersOnly) {
        return;
    }
    Random companyRandom(options.seed ^ 0xC0FFEEULL);
    WriteCompanies(folder, options.companies, companyRandom, lists);
    WriteLocalities(folder + "miejscowosci.dat", lists);
}

}  // namespace spisotek::tools

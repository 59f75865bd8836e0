// Writes a database file for the benchmark: a column line and `entries` lines of `columns`
// values (8 or up to 26), ISO 8859-1 with CR LF, the way a person's address list looks:
// names and towns with accented letters and apostrophes, phone numbers, dates, e-mail
// addresses and empty fields. The same seed gives the same bytes on every machine.
//
//   orvane_bench_data <entries> <columns> <output file> [seed]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// The literals below are UTF-8 source text; the file holds one byte per character.
std::string toLatin1(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            out += static_cast<char>(((c & 0x03) << 6) | (next & 0x3F));  // U+0080..U+00FF only
        }
    }
    return out;
}

std::vector<std::string> latin1List(std::initializer_list<const char*> words) {
    std::vector<std::string> list;
    for (const char* word : words)
        list.push_back(toLatin1(word));
    return list;
}

const std::vector<std::string> kLastNames = latin1List({
    "Müller",   "Schmidt", "Schneider", "Fischer",    "Weber",    "Meyer",      "Wagner",
    "Becker",   "Schulz",  "Hoffmann",  "Schäfer",    "Koch",     "Bauer",      "Richter",
    "Klein",    "Wolf",    "Schröder",  "Neumann",    "Schwarz",  "Zimmermann", "Braun",
    "Krüger",   "Hofmann", "Hartmann",  "Lange",      "Schmitt",  "Werner",     "Schmitz",
    "Krause",   "Meier",   "Lehmann",   "Köhler",     "Weiß",     "Jäger",      "Groß",
    "Strauß",   "Böhm",    "Kühn",      "Günther",    "Brückner", "O'Brien",    "O'Neill",
    "D'Angelo", "Dupré",   "Lefèvre",   "Bérard",     "Gagné",    "Hernández",  "Núñez",
    "Peña",     "García",  "Muñoz",     "Møller",     "Sørensen", "Åkesson",    "Öztürk",
    "Løkke",    "Rossi",   "Bianchi",   "Dell'Acqua", "Ferrari",  "Martin",     "Bernard",
    "Dubois",   "Thomas",  "Robert",    "Petit",      "Durand",   "Leroy",      "Moreau",
});

const std::vector<std::string> kFirstNames = latin1List({
    "Anna",  "Peter",   "Maria",   "Thomas", "Jürgen",  "Sören",    "Zoë",   "Renée",
    "René",  "André",   "Hélène",  "Björn",  "Günther", "François", "Agnès", "José",
    "Inés",  "Chloé",   "Lukas",   "Sophie", "Jonas",   "Lea",      "Elias", "Mia",
    "Felix", "Emilia",  "Max",     "Hannah", "Paul",    "Léa",      "Noël",  "Maëlle",
    "Jörg",  "Käthe",   "Uwe",     "Gisela", "Stefan",  "Sabine",   "Ralf",  "Ute",
    "Sean",  "Siobhán", "Pádraig", "Ángel",  "Lucía",   "Carmen",   "Marco", "Giulia",
});

const std::vector<std::string> kStreets = latin1List({
    "Hauptstraße",  "Bahnhofstraße",    "Rue de l'Église",
    "Königsallee",  "Gartenweg",        "Schloßplatz",
    "Calle Mayor",  "Via dell'Orso",    "Avenue des Champs-Élysées",
    "Lindenstraße", "Mühlweg",          "Am Brühl",
    "Kirchgasse",   "Rosenstraße",      "Rue du Général-de-Gaulle",
    "Seestraße",    "Im Grünen Winkel", "Dorfstraße",
    "Marktplatz",   "Bergstraße",       "Waldstraße",
    "Schulstraße",  "Quai d'Orsay",
});

struct Town {
    const char* postcode;  // its first digits; more are made up
    std::string name;
    std::string country;
    const char* phone;  // area code with the country's prefix
};

const std::vector<Town> kTowns = [] {
    const struct {
        const char *postcode, *name, *country, *phone;
    } towns[] = {
        {"80", "München", "Deutschland", "+49 89"},
        {"50", "Köln", "Deutschland", "+49 221"},
        {"40", "Düsseldorf", "Deutschland", "+49 211"},
        {"90", "Nürnberg", "Deutschland", "+49 911"},
        {"23", "Lübeck", "Deutschland", "+49 451"},
        {"97", "Würzburg", "Deutschland", "+49 931"},
        {"37", "Göttingen", "Deutschland", "+49 551"},
        {"20", "Hamburg", "Deutschland", "+49 40"},
        {"10", "Berlin", "Deutschland", "+49 30"},
        {"60", "Frankfurt am Main", "Deutschland", "+49 69"},
        {"80", "Zürich", "Schweiz", "+41 44"},
        {"12", "Genève", "Suisse", "+41 22"},
        {"30", "Bern", "Schweiz", "+41 31"},
        {"40", "Basel", "Schweiz", "+41 61"},
        {"10", "Wien", "Österreich", "+43 1"},
        {"80", "Graz", "Österreich", "+43 316"},
        {"50", "Salzburg", "Österreich", "+43 662"},
        {"25", "Besançon", "France", "+33 3"},
        {"45", "Orléans", "France", "+33 2"},
        {"42", "Saint-Étienne", "France", "+33 4"},
        {"29", "Málaga", "España", "+34 952"},
        {"14", "Córdoba", "España", "+34 957"},
        {"41", "Göteborg", "Sverige", "+46 31"},
        {"21", "Malmö", "Sverige", "+46 40"},
        {"58", "Linköping", "Sverige", "+46 13"},
        {"90", "Tromsø", "Norge", "+47 77"},
        {"60", "Ålesund", "Norge", "+47 70"},
        {"67", "L'Aquila", "Italia", "+39 0862"},
        {"42", "Reggio nell'Emilia", "Italia", "+39 0522"},
        {"80", "Aarhus", "Danmark", "+45 8"},
    };
    std::vector<Town> list;
    for (const auto& t : towns)
        list.push_back({t.postcode, toLatin1(t.name), toLatin1(t.country), t.phone});
    return list;
}();

const std::vector<std::string> kCompanies = latin1List({
    "Müller & Söhne GmbH",
    "Bäckerei Schäfer",
    "Café d'Angelo",
    "Weiß Elektro AG",
    "Groß Logistik KG",
    "Dupré et Fils SA",
    "Jäger Reisen",
    "Hernández y Peña SL",
    "Nordlicht Møbler",
    "Öko-Markt Köhler",
    "Schlosserei Kühn",
    "O'Brien's Pub",
});
const std::vector<std::string> kDepartments =
    latin1List({"Einkauf", "Verkauf", "Buchhaltung", "Geschäftsleitung", "Lager", "Service",
                "Marketing", "IT"});
const std::vector<std::string> kPositions = latin1List(
    {"Leiterin", "Sachbearbeiter", "Geschäftsführer", "Assistentin", "Techniker", "Prokurist"});
const std::vector<std::string> kStatuses = latin1List({"aktiv", "inaktiv", "gekündigt", "neu"});
const std::vector<std::string> kCategories =
    latin1List({"Kunde", "Lieferant", "Privat", "Verein", "Presse", "Behörde"});
const std::vector<std::string> kLanguages =
    latin1List({"Deutsch", "Français", "Español", "English", "Italiano", "Svenska"});
const std::vector<std::string> kHobbies = latin1List(
    {"Fußball", "Wandern", "Lesen", "Kochen", "Schach", "Skifahren", "Musik", "Gärtnern"});
const std::vector<std::string> kNotes = latin1List({
    "Rückruf erbeten",
    "Call after 6 o'clock",
    "Hat Geburtstag im März",
    "Nur per E-Mail",
    "Adresse geändert",
    "Sehr zufrieden, empfiehlt uns weiter",
    "Ansprechpartner: Hr. Größ",
    "Rechnung über 250 EUR offen",
    "« Stammkunde »",
    "Lieferung nur vormittags",
});

// A fixed sequence on every machine: the engine's output is specified, and the ranges are
// cut with plain arithmetic instead of the library's distributions.
class Random {
public:
    explicit Random(uint64_t seed) : m_engine(seed) {}
    uint64_t below(uint64_t n) { return m_engine() % n; }
    bool chance(int percent) { return below(100) < static_cast<uint64_t>(percent); }
    template <typename T>
    const T& pick(const std::vector<T>& list) {
        return list[below(list.size())];
    }
    std::string digits(int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += static_cast<char>('0' + below(10));
        return text;
    }

private:
    std::mt19937_64 m_engine;
};

// Letters for an e-mail address: ä becomes ae, é becomes e, apostrophes and blanks go.
std::string mailName(const std::string& latin1) {
    static const char* const kPlain[64] = {
        "a", "a", "a", "a", "ae", "a", "ae", "c", "e",  "e", "e", "e", "i",  "i", "i",  "i",
        "d", "n", "o", "o", "o",  "o", "oe", "",  "oe", "u", "u", "u", "ue", "y", "th", "ss",
        "a", "a", "a", "a", "ae", "a", "ae", "c", "e",  "e", "e", "e", "i",  "i", "i",  "i",
        "d", "n", "o", "o", "o",  "o", "oe", "",  "oe", "u", "u", "u", "ue", "y", "th", "y"};
    std::string out;
    for (char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0xC0)
            out += kPlain[c - 0xC0];
        else if (c >= 'A' && c <= 'Z')
            out += static_cast<char>(c + 0x20);
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')
            out += static_cast<char>(c);
    }
    return out;
}

std::string date(Random& random, int firstYear, int years, bool iso) {
    const int year = firstYear + static_cast<int>(random.below(years));
    const int month = 1 + static_cast<int>(random.below(12));
    const int day = 1 + static_cast<int>(random.below(28));
    char text[16];
    if (iso)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    else
        std::snprintf(text, sizeof text, "%02d.%02d.%04d", day, month, year);
    return text;
}

std::string phone(Random& random, const Town& town) {
    if (random.chance(20)) {
        std::string text = "0" + random.digits(3);  // a mobile, written the local way
        return text + " " + random.digits(7);
    }
    std::string text = std::string(town.phone) + " " + random.digits(3);
    text += " " + random.digits(2);
    return text + " " + random.digits(2);
}

const char* const kColumnNames[26] = {
    "Name",        "First name",   "Street",       "Postcode", "Town",     "Phone",    "E-mail",
    "Birthday",    "Company",      "Department",   "Position", "Mobile",   "Fax",      "Country",
    "Website",     "Customer no.", "Member since", "Status",   "Category", "Language", "Hobby",
    "Referred by", "Last contact", "Amount",       "IBAN",     "Notes"};

// One random value per call, in column order: the order of the calls is the file's content,
// so no expression below makes two of them.
std::vector<std::string> entry(Random& random, int columns) {
    const std::string& last = random.pick(kLastNames);
    const std::string& first = random.pick(kFirstNames);
    const Town& town = random.pick(kTowns);
    const std::string& company = random.pick(kCompanies);
    static const char* const kDomains[] = {"example.com", "example.org", "example.net",
                                           "mail.example.de"};
    std::vector<std::string> v;
    const auto maybe = [&](int emptyPercent, const auto& make) {
        v.push_back(random.chance(emptyPercent) ? std::string() : std::string(make()));
    };
    v.push_back(last);
    maybe(3, [&] { return first; });
    maybe(5, [&] {
        const std::string street = random.pick(kStreets);
        return street + " " + std::to_string(1 + random.below(180));
    });
    v.push_back(std::string(town.postcode) + random.digits(3));
    v.push_back(town.name);
    maybe(10, [&] { return phone(random, town); });
    maybe(15, [&] {
        std::string mail = mailName(first) + "." + mailName(last);
        if (random.chance(30))
            mail += random.digits(2);
        return mail + "@" + kDomains[random.below(4)];
    });
    maybe(20, [&] { return date(random, 1940, 65, false); });
    maybe(40, [&] { return company; });
    maybe(50, [&] { return random.pick(kDepartments); });
    maybe(50, [&] { return random.pick(kPositions); });
    maybe(40, [&] {
        const std::string network = "+49 1" + random.digits(2);
        return network + " " + random.digits(7);
    });
    maybe(85, [&] { return std::string(town.phone) + " " + random.digits(6); });
    v.push_back(town.country);
    maybe(70, [&] { return "www." + mailName(company) + ".example"; });
    v.push_back("K-" + random.digits(6));
    v.push_back(date(random, 1990, 34, true));
    v.push_back(random.pick(kStatuses));
    v.push_back(random.pick(kCategories));
    v.push_back(random.pick(kLanguages));
    maybe(30, [&] { return random.pick(kHobbies); });
    maybe(80, [&] {
        const std::string who = random.pick(kFirstNames);
        return who + " " + random.pick(kLastNames);
    });
    maybe(10, [&] { return date(random, 2015, 10, false); });
    maybe(25, [&] {
        const std::string euros = std::to_string(random.below(100000));
        return euros + "," + random.digits(2);
    });
    maybe(35, [&] { return "DE" + random.digits(20); });
    maybe(70, [&] { return random.pick(kNotes); });
    v.resize(columns);
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <entries> <columns> <output file> [seed]\n", argv[0]);
        return 2;
    }
    const long entries = std::atol(argv[1]);
    const int columns = std::atoi(argv[2]);
    const uint64_t seed = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 20240611;
    if (entries < 0 || columns < 1 || columns > 26) {
        std::fprintf(stderr, "entries must be 0 or more, columns 1 to 26\n");
        return 2;
    }
    FILE* out = std::fopen(argv[3], "wb");
    if (!out) {
        std::perror(argv[3]);
        return 1;
    }
    std::string line;
    for (int k = 0; k < columns; ++k)
        line += std::string(k ? ";" : "") + kColumnNames[k];
    line += "\r\n";
    std::fputs(line.c_str(), out);
    Random random(seed);
    for (long i = 0; i < entries; ++i) {
        line.clear();
        const std::vector<std::string> values = entry(random, columns);
        for (int k = 0; k < columns; ++k) {
            if (k)
                line += ';';
            line += values[k];
        }
        line += "\r\n";
        std::fwrite(line.data(), 1, line.size(), out);
    }
    if (std::fclose(out) != 0) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}

#include "StationExport.h"

#include "JsonStream.h"
#include "localfiles/LocalFiles.h"
#include "rules/CatalogueText.h"
#include "rules/FetchProfiles.h"
#include "rules/RadioCatalogue.h"

#include <QLocale>
#include <QString>
#include <algorithm>
#include <charconv>
#include <map>
#include <queue>
#include <set>
#include <unordered_map>

namespace sonavia::radiocat {

namespace {

// The export's fields that the catalogue is made from.
constexpr char kName[] = "name";
constexpr char kAddress[] = "url_resolved";
constexpr char kGivenAddress[] = "url";
constexpr char kCountryCode[] = "countrycode";
constexpr char kCountry[] = "country";
constexpr char kTags[] = "tags";
constexpr char kCodec[] = "codec";
constexpr char kBitrate[] = "bitrate";
constexpr char kVotes[] = "votes";
constexpr char kLastCheckOk[] = "lastcheckok";
constexpr char kLiveStream[] = "hls";

// What the JSON reader keeps of one text: more than any field of the catalogue takes, so that a
// longer text is known to be one.
constexpr std::size_t kMaxFieldBytes = 4096;
// A name or a country is one line of the station list and of the country list: longer ones are
// cut, ending in an ellipsis, so that two thousand and more stations fit the catalogue.
constexpr std::size_t kMaxNameBytes = 64;
constexpr std::size_t kMaxCountryBytes = 48;
// An address file holds the address and its line feed within the program's one read.
constexpr std::size_t kMaxAddressBytes = kItemProfile.maxBytes - 1;
// The program reads whether a station is offered for this many stations.
constexpr std::size_t kMaxStations = kFlagsProfile.maxBytes;
constexpr std::size_t kCountryCodeLength = 2;

constexpr char16_t kEllipsis = u'\u2026';
// Stands in for "#", which the catalogue's comment rule would cut the line at.
constexpr char16_t kNumberSign = u'\uFF03';
constexpr char16_t kReplacementCharacter = u'\uFFFD';

// The formats the player decodes, as the directory names them; an HTTP live stream is played
// whatever its codec says.
constexpr std::array<std::string_view, 8> kPlayableCodecs = {"MP3", "AAC",    "AAC+", "HE-AAC",
                                                             "OGG", "VORBIS", "OPUS", "FLAC"};

std::string Upper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return upper;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

// `text` in at most `maxBytes` bytes of UTF-8, cut between characters and ended by an ellipsis
// when it had to be cut.
std::string Fitted(const QString& text, std::size_t maxBytes) {
    QByteArray utf8 = text.toUtf8();
    if (static_cast<std::size_t>(utf8.size()) <= maxBytes) {
        return utf8.toStdString();
    }
    const QByteArray ellipsis = QString(QChar(kEllipsis)).toUtf8();
    QString cut;
    std::size_t bytes = 0;
    for (const char32_t c : text.toUcs4()) {
        const QString character = QString::fromUcs4(&c, 1);
        const auto size = static_cast<std::size_t>(character.toUtf8().size());
        if (bytes + size + static_cast<std::size_t>(ellipsis.size()) > maxBytes) {
            break;
        }
        cut += character;
        bytes += size;
    }
    return (cut.trimmed() + QChar(kEllipsis)).toUtf8().toStdString();
}

// A text of the export as one line of the catalogue: bytes that are not UTF-8 read as the
// Western 8-bit encoding (as the program reads them), control characters and line breaks become
// blanks, format characters (direction overrides, zero-width ones) go as they make a name show
// other than it reads, "#" becomes its full-width form, and "html" or "HTML", which would make
// the program take the whole catalogue for a web page, is written "Html".
QString CatalogueLine(std::string_view raw) {
    const QString text = QString::fromStdString(CatalogueTextAsUtf8(raw));
    QString line;
    line.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            line += QLatin1Char(' ');
            break;
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Other_PrivateUse:
        case QChar::Other_NotAssigned:
            break;
        default:
            if (c == U'#') {
                line += QChar(kNumberSign);
            } else if (c != kReplacementCharacter) {
                line += QString::fromUcs4(&c, 1);
            }
        }
    }
    line = line.simplified();
    for (const QLatin1String page : {QLatin1String("html"), QLatin1String("HTML")}) {
        line.replace(page, QLatin1String("Html"), Qt::CaseSensitive);
    }
    return line;
}

// A stream address as the address file holds it: http or https, blanks and bytes beyond ASCII
// percent-encoded; none when there is none, or it names something else, holds control
// characters or is longer than the program reads.
std::optional<std::string> StreamAddress(std::string_view raw) {
    constexpr char kSpace[] = " \t\r\n\v\f";
    const auto first = raw.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    raw = raw.substr(first, raw.find_last_not_of(kSpace) - first + 1);
    // A scheme the player fetches streams with, and a host after it.
    const auto separator = raw.find("://");
    if (separator == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string scheme = Lower(raw.substr(0, separator));
    const auto hostStart = separator + 3;
    if ((scheme != "http" && scheme != "https") || hostStart >= raw.size() ||
        raw.find_first_of("/?#", hostStart) == hostStart) {
        return std::nullopt;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string address;
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return std::nullopt;
        }
        if (byte == ' ' || byte >= 0x80) {
            address += '%';
            address += kHex[byte >> 4];
            address += kHex[byte & 0xF];
        } else {
            address += c;
        }
    }
    if (address.size() > kMaxAddressBytes) {
        return std::nullopt;
    }
    return address;
}

// The same stream, however the export spells its scheme and host or ends its path.
std::string AddressKey(const std::string& address) {
    const auto hostStart = address.find("://") + 3;
    const auto pathStart = std::min(address.find('/', hostStart), address.size());
    std::string key = Lower(address.substr(0, pathStart)) + address.substr(pathStart);
    while (key.size() > pathStart && key.back() == '/') {
        key.pop_back();
    }
    return key;
}

bool Playable(const std::string& codec, bool liveStream) {
    if (liveStream) {
        return true;
    }
    const std::string upper = Upper(codec);
    return std::find(kPlayableCodecs.begin(), kPlayableCodecs.end(), upper) !=
           kPlayableCodecs.end();
}

// What an export field must be; null counts as missing.
enum class Expected { Text, Number, Flag };

struct FieldKind {
    const char* name;
    Expected expected;
};
constexpr std::array<FieldKind, 11> kFieldKinds = {{{kName, Expected::Text},
                                                    {kAddress, Expected::Text},
                                                    {kGivenAddress, Expected::Text},
                                                    {kCountryCode, Expected::Text},
                                                    {kCountry, Expected::Text},
                                                    {kTags, Expected::Text},
                                                    {kCodec, Expected::Text},
                                                    {kBitrate, Expected::Number},
                                                    {kVotes, Expected::Number},
                                                    {kLastCheckOk, Expected::Flag},
                                                    {kLiveStream, Expected::Flag}}};

std::string CheckKind(const JsonObject& object, const char* name, Expected expected) {
    const auto field = object.find(name);
    if (field == object.end()) {
        return {};
    }
    using Kind = JsonField::Kind;
    const Kind kind = field->second.kind;
    if (kind == Kind::Null || (expected == Expected::Text && kind == Kind::String) ||
        (expected != Expected::Text && kind == Kind::Number) ||
        (expected == Expected::Flag && kind == Kind::Boolean)) {
        return {};
    }
    static constexpr const char* kKinds[] = {"null",   "true or false", "a number",
                                             "a text", "an array",      "an object"};
    static constexpr const char* kExpected[] = {"a text", "a number", "0 or 1"};
    return std::string("\"") + name + "\" is " + kKinds[static_cast<int>(kind)] +
           "; a station export gives " + kExpected[static_cast<int>(expected)];
}

std::string TextOf(const JsonObject& object, const char* name) {
    const auto field = object.find(name);
    return field != object.end() && field->second.kind == JsonField::Kind::String
               ? field->second.text
               : std::string();
}

bool WasCut(const JsonObject& object, const char* name) {
    const auto field = object.find(name);
    return field != object.end() && field->second.cut;
}

long long NumberOf(const JsonObject& object, const char* name) {
    const auto field = object.find(name);
    if (field == object.end()) {
        return 0;
    }
    const std::string& text = field->second.text;
    if (field->second.kind == JsonField::Kind::Boolean) {
        return text == "true" ? 1 : 0;
    }
    long long value = 0;
    // A fraction or an exponent keeps the whole part before it; a number out of range counts 0.
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

struct Country;

// Where a station of the pool lies: its country's stations stay in place while the pool grows.
struct Place {
    Country* country = nullptr;
    std::size_t index = 0;
};

struct Candidate {
    std::string name;
    std::string address;
    long long votes = 0;
    std::uint64_t record = 0;
    // The duplicate with more votes that replaced this station.
    std::optional<Place> replacedBy;
};

struct Country {
    std::string name;
    std::string code;
    std::vector<Candidate> stations;
};

Candidate& At(const Place& place) {
    return place.country->stations[place.index];
}

bool SamePlace(const Place& a, const Place& b) {
    return a.country == b.country && a.index == b.index;
}

// The station that stands for `place` now, after the merges since it was found.
Place Current(Place place) {
    while (At(place).replacedBy) {
        place = *At(place).replacedBy;
    }
    return place;
}

// The good stations of the export by country, duplicates merged as they come.
class StationPool {
public:
    explicit StationPool(const ImportOptions& options) : options_(options) {}

    // Takes one station of the export (its number from 1); returns why it is not taken, or sets
    // `wrong` when the record is not a station of an export. The stations it replaces, having
    // fewer votes, are counted in `dropped`.
    std::optional<Dropped> Add(const JsonObject& object, std::uint64_t record,
                               std::array<std::uint64_t, kDroppedReasons>& dropped,
                               std::string& wrong);

    std::map<std::string, Country>& Countries() { return countries_; }

private:
    // The country's key and the record's place in it; none when the record names no country.
    Country* CountryOf(const JsonObject& object);

    const ImportOptions& options_;
    std::map<std::string, Country> countries_;
    std::unordered_map<std::string, Place> byAddress_;
    std::unordered_map<std::string, Place> byName_;
};

Country* StationPool::CountryOf(const JsonObject& object) {
    // Only a code of two letters is one: anything else would reach the catalogue unchecked, in
    // the name that tells apart two stations of one name.
    std::string code = Upper(TextOf(object, kCountryCode));
    if (code.size() != kCountryCodeLength ||
        !std::all_of(code.begin(), code.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
        code.clear();
    }
    QString name;
    if (!code.empty()) {
        const QLocale::Territory territory = QLocale::codeToTerritory(QString::fromStdString(code));
        if (territory != QLocale::AnyTerritory) {
            name = QLocale::territoryToString(territory);
        }
    }
    if (name.isEmpty()) {
        name = CatalogueLine(TextOf(object, kCountry));
    }
    if (name.isEmpty()) {
        return nullptr;
    }
    const std::string shown = Fitted(name, kMaxCountryBytes);
    // Keyed by the code where there is one, so that spellings of one country meet.
    const std::string key = code.empty() ? name.toCaseFolded().toStdString() : code;
    Country& country = countries_[key];
    if (country.name.empty()) {
        country.name = shown;
        country.code = code;
    }
    return &country;
}

std::optional<Dropped> StationPool::Add(const JsonObject& object, std::uint64_t record,
                                        std::array<std::uint64_t, kDroppedReasons>& dropped,
                                        std::string& wrong) {
    if (object.empty()) {
        wrong = "none of the fields of a station export (name, url, country, codec, votes, "
                "lastcheckok, ...)";
        return std::nullopt;
    }
    for (const FieldKind& field : kFieldKinds) {
        wrong = CheckKind(object, field.name, field.expected);
        if (!wrong.empty()) {
            return std::nullopt;
        }
    }

    if (NumberOf(object, kLastCheckOk) != 1) {
        return Dropped::Dead;
    }
    if (!Playable(TextOf(object, kCodec), NumberOf(object, kLiveStream) == 1)) {
        return Dropped::Codec;
    }
    // The address the directory resolved, else the one the station gave.
    std::optional<std::string> address;
    for (const char* field : {kAddress, kGivenAddress}) {
        if (!address && !WasCut(object, field)) {
            address = StreamAddress(TextOf(object, field));
        }
    }
    if (!address) {
        return Dropped::NoAddress;
    }
    const QString cleanName = CatalogueLine(TextOf(object, kName));
    if (cleanName.isEmpty()) {
        return Dropped::NoName;
    }
    Country* country = CountryOf(object);
    if (country == nullptr) {
        return Dropped::NoCountry;
    }
    if (!options_.countries.empty() &&
        std::find(options_.countries.begin(), options_.countries.end(), country->code) ==
            options_.countries.end()) {
        return Dropped::OtherCountry;
    }

    Candidate candidate{Fitted(cleanName, kMaxNameBytes), *address, NumberOf(object, kVotes),
                        record, std::nullopt};
    const std::string addressKey = AddressKey(candidate.address);
    const std::string nameKey =
        country->code + '\n' + country->name + '\n' + cleanName.toCaseFolded().toStdString();
    // A station may repeat one with the same address and another with the same name.
    struct Same {
        std::optional<Place> place;
        Dropped reason;
    };
    std::array<Same, 2> same{Same{std::nullopt, Dropped::SameAddress},
                             Same{std::nullopt, Dropped::SameName}};
    if (const auto found = byAddress_.find(addressKey); found != byAddress_.end()) {
        same[0].place = Current(found->second);
    }
    if (const auto found = byName_.find(nameKey); found != byName_.end()) {
        const Place named = Current(found->second);
        if (!same[0].place || !SamePlace(*same[0].place, named)) {
            same[1].place = named;
        }
    }
    for (const Same& other : same) {
        if (other.place && At(*other.place).votes >= candidate.votes) {
            return other.reason;
        }
    }
    country->stations.push_back(std::move(candidate));
    const Place place{country, country->stations.size() - 1};
    byAddress_[addressKey] = place;
    byName_[nameKey] = place;
    for (const Same& other : same) {
        if (other.place) {
            At(*other.place).replacedBy = place;
            ++dropped[static_cast<std::size_t>(other.reason)];
        }
    }
    return std::nullopt;
}

// One country's turn in the sharing out of the catalogue's room.
struct Share {
    const Country* country = nullptr;
    std::vector<const Candidate*> ranked;
    std::size_t next = 0;
    std::size_t taken = 0;
    std::vector<Station> chosen;
};

class CatalogueRoom {
public:
    explicit CatalogueRoom(ImportResult& result) : result_(result) {
        usedNames_.insert(kRandomStationName);
    }

    // Takes the share's next station that fits, skipping those that do not; false when none is
    // left.
    bool TakeNext(Share& share);
    bool Full() const { return stations_ >= kMaxStations; }

private:
    ImportResult& result_;
    // The records' bytes so far. Each is counted with the number of the next station: whatever
    // their order, the catalogue numbers its stations 1 to n, so the sum is exact.
    std::size_t used_ = 0;
    std::size_t stations_ = 0;
    // A name that the catalogue lists twice would play the first of them, and "random" is the
    // start-up's word for a random station.
    std::set<std::string> usedNames_;
};

bool CatalogueRoom::TakeNext(Share& share) {
    while (share.next < share.ranked.size() && !Full()) {
        const Candidate& candidate = *share.ranked[share.next++];
        Station station{static_cast<int>(candidate.record),
                        share.country->name,
                        candidate.name,
                        std::string(),
                        candidate.address,
                        true};
        if (usedNames_.contains(station.name)) {
            // The same name in another country: the country tells them apart.
            const std::string suffix =
                " (" + (share.country->code.empty() ? share.country->name : share.country->code) +
                ")";
            station.name =
                Fitted(QString::fromStdString(candidate.name), kMaxNameBytes - suffix.size()) +
                suffix;
            if (usedNames_.contains(station.name)) {
                ++result_.dropped[static_cast<std::size_t>(Dropped::SameName)];
                continue;
            }
        }
        const std::size_t bytes = CatalogueRecordBytes(station, static_cast<int>(stations_) + 1);
        if (CatalogueHeaderBytes(stations_ + 1) + used_ + bytes > kCatalogueProfile.maxBytes) {
            ++result_.dropped[static_cast<std::size_t>(Dropped::NoRoom)];
            continue;
        }
        used_ += bytes;
        ++stations_;
        usedNames_.insert(station.name);
        share.chosen.push_back(std::move(station));
        ++share.taken;
        return true;
    }
    return false;
}

// Every country's best station first, the countries with the most good stations before the
// others; then the room is shared out by the highest averages with odd divisors (the next
// station goes to the country whose good stations divided by 2 × taken + 1 are the most), so
// that each country's share follows its number of good stations, the small countries' as
// closely as the large ones'.
void ChooseStations(std::map<std::string, Country>& countries, const ImportOptions& options,
                    ImportResult& result) {
    std::vector<Share> shares;
    for (auto& [key, country] : countries) {
        Share share{&country, {}, 0, 0, {}};
        for (const Candidate& candidate : country.stations) {
            if (!candidate.replacedBy) {
                share.ranked.push_back(&candidate);
            }
        }
        std::stable_sort(
            share.ranked.begin(), share.ranked.end(),
            [](const Candidate* a, const Candidate* b) { return a->votes > b->votes; });
        if (!share.ranked.empty()) {
            shares.push_back(std::move(share));
        }
    }
    const std::size_t limit =
        options.maxPerCountry ? static_cast<std::size_t>(*options.maxPerCountry) : kMaxStations;
    CatalogueRoom room(result);

    std::vector<Share*> byCount;
    for (Share& share : shares) {
        byCount.push_back(&share);
    }
    std::stable_sort(byCount.begin(), byCount.end(), [](const Share* a, const Share* b) {
        return a->ranked.size() > b->ranked.size();
    });
    const auto before = [](const Share* a, const Share* b) {
        // a's next station comes after b's: a's good stations over its divisor are fewer.
        return a->ranked.size() * (2 * b->taken + 1) < b->ranked.size() * (2 * a->taken + 1);
    };
    std::priority_queue<Share*, std::vector<Share*>, decltype(before)> turns(before);
    for (Share* share : byCount) {
        if (room.TakeNext(*share)) {
            turns.push(share);
        }
    }
    while (!turns.empty()) {
        Share* share = turns.top();
        turns.pop();
        if (share->taken < limit && room.TakeNext(*share)) {
            turns.push(share);
        }
    }

    for (Share& share : shares) {
        const auto left = share.ranked.size() - share.next;
        const Dropped reason = share.taken >= limit ? Dropped::PastMaxPerCountry : Dropped::NoRoom;
        result.dropped[static_cast<std::size_t>(reason)] += left;
        if (!share.chosen.empty()) {
            ++result.countries;
            std::move(share.chosen.begin(), share.chosen.end(),
                      std::back_inserter(result.stations));
        }
    }
    // In the order of the countries' names, as the station list shows them.
    std::stable_sort(result.stations.begin(), result.stations.end(),
                     [](const Station& a, const Station& b) { return a.country < b.country; });
}

} // namespace

const char* DroppedText(Dropped reason) {
    switch (reason) {
    case Dropped::Dead:
        return "the stream failed its last check";
    case Dropped::Codec:
        return "a format the player does not decode";
    case Dropped::NoAddress:
        return "no http or https stream address the program can read";
    case Dropped::NoName:
        return "no name";
    case Dropped::NoCountry:
        return "no country";
    case Dropped::OtherCountry:
        return "a country not chosen with --countries";
    case Dropped::SameAddress:
        return "the same stream address as a station with more votes";
    case Dropped::SameName:
        return "the same name in the same country as a station with more votes";
    case Dropped::PastMaxPerCountry:
        return "more than --max-per-country in its country";
    case Dropped::NoRoom:
        return "no room left in the catalogue";
    case Dropped::Count:
        break;
    }
    return "";
}

ImportResult ImportStationExport(std::istream& in, const ImportOptions& options) {
    JsonObjectStream stream(in,
                            {kName, kAddress, kGivenAddress, kCountryCode, kCountry, kTags, kCodec,
                             kBitrate, kVotes, kLastCheckOk, kLiveStream},
                            kMaxFieldBytes);
    ImportResult result;
    StationPool pool(options);
    JsonObject object;
    while (true) {
        const auto step = stream.Next(object);
        if (step == JsonObjectStream::Step::End) {
            break;
        }
        if (step == JsonObjectStream::Step::Error) {
            return ImportResult{{}, result.records, {}, 0, stream.ErrorText()};
        }
        ++result.records;
        std::string wrong;
        if (const auto dropped = pool.Add(object, result.records, result.dropped, wrong)) {
            ++result.dropped[static_cast<std::size_t>(*dropped)];
        } else if (!wrong.empty()) {
            return ImportResult{{},
                                result.records,
                                {},
                                0,
                                "station " + std::to_string(result.records) + ": " + wrong};
        }
    }
    ChooseStations(pool.Countries(), options, result);
    return result;
}

} // namespace sonavia::radiocat

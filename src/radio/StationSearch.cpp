#include "radio/StationSearch.h"

#include "rules/CatalogueText.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <unordered_map>

namespace sonavia {

namespace {

// How well a station matches, the best first.
enum Rank { NameStarts, NameHolds, CountryHolds, Ranks };

// A text as the search compares it: letters without their accents, in one letter case.
QString Folded(const QString& text) {
    const QString separated = text.normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(separated.size());
    for (const QChar c : separated) {
        if (c.category() != QChar::Mark_NonSpacing) {
            folded += c;
        }
    }
    return folded.toCaseFolded();
}

QString Shown(const std::string& bytes) {
    return QString::fromStdString(CatalogueTextAsUtf8(bytes));
}

} // namespace

StationSearch::StationSearch(const RadioCatalogue& catalogue) {
    entries_.reserve(catalogue.records.size());
    // A country is shown and folded once, however many stations it has.
    std::unordered_map<std::string, std::pair<QString, QString>> countries;
    for (const StationRecord& record : catalogue.records) {
        auto [country, added] = countries.try_emplace(record.country);
        if (added) {
            country->second.first = Shown(record.country);
            country->second.second = Folded(country->second.first);
        }
        Entry entry;
        entry.name = Shown(record.name);
        entry.country = country->second.first;
        entry.foldedName = Folded(entry.name);
        entry.foldedCountry = country->second.second;
        entry.offered = record.present && !record.name.empty();
        entries_.push_back(std::move(entry));
    }
}

std::vector<std::size_t> StationSearch::Find(const QStringList& terms) const {
    std::vector<std::size_t> all(entries_.size());
    std::iota(all.begin(), all.end(), std::size_t{0});
    return Matching(all, terms);
}

std::vector<std::size_t> StationSearch::Refine(const std::vector<std::size_t>& previous,
                                               const QStringList& terms) const {
    return Matching(previous, terms);
}

std::vector<std::size_t> StationSearch::Matching(const std::vector<std::size_t>& candidates,
                                                 const QStringList& terms) const {
    const QString typed = Folded(terms.join(QLatin1Char(' '))).simplified();
    const auto letters =
        std::count_if(typed.begin(), typed.end(), [](QChar c) { return c.isLetterOrNumber(); });
    if (letters < kMinimumLetters) {
        return {};
    }
    const QStringList words = typed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::array<std::vector<std::size_t>, Ranks> found;
    for (const std::size_t position : candidates) {
        if (!Offered(position)) {
            continue;
        }
        const Entry& entry = entries_[position];
        bool inName = true;
        bool inEither = true;
        for (const QString& word : words) {
            const bool named = entry.foldedName.contains(word);
            inName = inName && named;
            inEither = inEither && (named || entry.foldedCountry.contains(word));
        }
        if (inName && entry.foldedName.startsWith(words.front())) {
            found[NameStarts].push_back(position);
        } else if (inName) {
            found[NameHolds].push_back(position);
        } else if (inEither) {
            found[CountryHolds].push_back(position);
        }
    }
    std::vector<std::size_t> matches;
    for (auto& group : found) {
        std::sort(group.begin(), group.end());
        matches.insert(matches.end(), group.begin(), group.end());
    }
    return matches;
}

} // namespace sonavia

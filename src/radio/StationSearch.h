#pragma once

#include "rules/RadioCatalogue.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <vector>

namespace sonavia {

// Finds the catalogue's offered stations by what a user types into the desktop's search: every
// word of it within the station's name or its country, whatever the letter case and accents, once
// it holds two letters or more. Built once per catalogue, it answers from memory.
class StationSearch {
public:
    // The search needs this many letters or digits before it names any station.
    static constexpr int kMinimumLetters = 2;

    explicit StationSearch(const RadioCatalogue& catalogue);

    // The positions of the matching stations: those whose name starts with what was typed first,
    // then those whose name holds every word, then the others, each group in catalogue order.
    std::vector<std::size_t> Find(const QStringList& terms) const;
    // The same among `previous` alone, as the user types on.
    std::vector<std::size_t> Refine(const std::vector<std::size_t>& previous,
                                    const QStringList& terms) const;

    // What the search shows of a station, as UTF-8 for the screen.
    const QString& Name(std::size_t position) const { return entries_[position].name; }
    const QString& Country(std::size_t position) const { return entries_[position].country; }
    // Whether `position` is an offered station of the catalogue that was indexed.
    bool Offered(std::size_t position) const {
        return position < entries_.size() && entries_[position].offered;
    }

private:
    struct Entry {
        QString name;
        QString country;
        QString foldedName;
        QString foldedCountry;
        bool offered = false;
    };
    std::vector<std::size_t> Matching(const std::vector<std::size_t>& candidates,
                                      const QStringList& terms) const;

    std::vector<Entry> entries_;
};

} // namespace sonavia

#pragma once

// Reads an IOF XML 3.0 EntryList document: one new participant per PersonEntry (names, card,
// club, class) and the classes the entries name. Pure conversion: the event is not touched.

#include "iofxml.h"
#include "race.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace IOFEntryListParser {

struct Result
{
    QList<Participant> participants; // document order, each with a fresh id
    QList<RaceClass> classes; // one per class id, in order of first mention
};

// Throws XmlError for bytes that are not an acceptable XML document; ImportError for any other
// document than an EntryList, and "No <PersonEntry> elements found in EntryList XML" when there
// is no entry. A card number is the entry's SportIdent card (see sportIdentCard).
[[nodiscard]] Result parse(const QByteArray &bytes);

// The two ways parse reads, for tests that hold them against each other. readStreaming reads the
// common case from the parser's events and gives nullopt for every document it leaves to
// readTree (refused, broken, another list, a read attribute with a reference, a long text);
// readTree reads any document from the parsed tree and throws as parse does.
[[nodiscard]] std::optional<Result> readStreaming(const QByteArray &bytes);
[[nodiscard]] Result readTree(const QByteArray &bytes);

} // namespace IOFEntryListParser

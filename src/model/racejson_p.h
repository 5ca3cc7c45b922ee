#pragma once

// Internal to the event document's JSON codec; nothing outside src/model includes this.

#include "racejson.h"

#include <QByteArray>

#include <optional>

namespace racejson_detail {

// The direct text writer (racejsonwriter.cpp): nullopt on any value the object writer refuses,
// which is then run to name the failure.
// The race's text follows `prefix`, copied as it is, in the same buffer.
std::optional<QByteArray> writeRaceText(const Race &race, JsonLayout layout, QByteArrayView prefix = {});
std::optional<QByteArray> writePersonResultText(const PersonResult &result, JsonLayout layout);

// How the direct text reader may divide its work. The event's long lists (entries, results,
// unknown cards) in indented text are cut into `slices` slices (0: four per thread) of at least
// `minSliceBytes`, read by `threads` threads (0: as many as the machine has cores, at most four).
// The outcome never depends on these: they exist so that tests can make small documents take the
// sliced path, and `slicedLists` (when given) counts the lists that were read in slices.
struct TextReadOptions
{
    int slices = 0;
    int threads = 0;
    qsizetype minSliceBytes = 1 << 20;
    int *slicedLists = nullptr;
};

// The direct text reader (racejsonreader.cpp): nullopt on anything outside its strict subset or
// any document failing a reading rule; the object reader then gives the outcome and error text.
std::optional<Race> readRaceText(const QByteArray &json, const TextReadOptions &options = {});
std::optional<PersonResult> readPersonResultText(const QByteArray &json);
// The same reader on the event that starts `text`, whatever follows it; `length` gets where it ended.
std::optional<Race> readLeadingRaceText(QByteArrayView text, qsizetype *length);

} // namespace racejson_detail

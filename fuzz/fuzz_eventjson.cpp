// The event document reader: no crash on any bytes, and every document it accepts is written
// and read back to the same bytes (an event the app opens must be one it can save and reopen).
// Its long lists read in slices of any size give what reading them in one go gives, and an event
// read where it stands in a longer text is what reading exactly its own text gives.

#include "fuzzreadback.h"
#include "racejson.h"
#include "racejson_p.h"

namespace {

// The compact text of what the text reader gives, the ids it makes up for punches left out.
QByteArray comparable(std::optional<Race> race)
{
    if (!race)
        return {};
    for (PersonResult &r : race->results) {
        if (r.punches) {
            for (SIPunch &p : *r.punches)
                p.id = QUuid();
        }
    }
    if (race->unknownCards) {
        for (UnknownCard &c : *race->unknownCards) {
            for (SIPunch &p : c.punches)
                p.id = QUuid();
        }
    }
    return encodeRace(*race, JsonLayout::Compact).value_or("unwritable");
}

QByteArray readText(const QByteArray &json, const racejson_detail::TextReadOptions &options)
{
    return comparable(racejson_detail::readRaceText(json, options));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quietFuzzing();
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto race = decodeRace(json);
    if (race)
        checkReadsBack(*race, "an accepted event");
    if (readText(json, {.slices = 3, .minSliceBytes = 1}) != readText(json, {.slices = 1}))
        fuzzFailure("reading in slices differs from reading in one go", json);
    qsizetype length = 0;
    if (auto leading = decodeLeadingRace(json, &length)) {
        if (length <= 0 || length > json.size()
            || comparable(std::move(leading)) != comparable(decodeRace(json.left(length))))
            fuzzFailure("an event read where it stands differs from its text read alone", json);
    }
    (void)decodePersonResult(json);
    return 0;
}

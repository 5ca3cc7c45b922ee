// The event document reader: no crash on any bytes, and every document it accepts is written
// and read back to the same bytes (an event the app opens must be one it can save and reopen).

#include "fuzzsupport.h"
#include "racejson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quietFuzzing();
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto race = decodeRace(json);
    if (race) {
        QString error;
        const auto first = encodeRace(*race, JsonLayout::Compact, &error);
        if (!first)
            fuzzFailure("an accepted event does not encode", error.toUtf8());
        const auto again = decodeRace(*first, &error);
        if (!again)
            fuzzFailure("an encoded event does not decode", error.toUtf8() + '\n' + *first);
        const auto second = encodeRace(*again, JsonLayout::Compact);
        if (!second || *second != *first)
            fuzzFailure("an event does not read back the same", *first);
    }
    (void)decodePersonResult(json);
    return 0;
}

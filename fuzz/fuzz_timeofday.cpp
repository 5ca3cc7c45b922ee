// Typed clock times: any text gives a time of the day or none, and the time's text reads back.

#include "fuzzsupport.h"
#include "timeofday.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quietFuzzing();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto seconds = parseTimeOfDay(text)) {
        if (*seconds < 0 || *seconds >= 24 * 3600)
            fuzzFailure("a time outside the day", text.toUtf8());
        if (parseTimeOfDay(timeOfDayText(*seconds)) != seconds)
            fuzzFailure("a time's text does not read back", text.toUtf8());
    }
    return 0;
}

#pragma once

// Shared by the fuzz targets that hold an event: it must save and read back byte for byte.

#include "fuzzsupport.h"
#include "racejson.h"

// `race` (called `what` in the failure, e.g. "a stored event") encodes, decodes and encodes again
// to the same compact text, which is returned; `context` is printed with a failure to encode.
inline QByteArray checkReadsBack(const Race &race, const char *what, const QByteArray &context = {})
{
    const QByteArray name(what);
    QString error;
    const auto first = encodeRace(race, JsonLayout::Compact, &error);
    if (!first)
        fuzzFailure(name + " does not encode", error.toUtf8() + '\n' + context);
    const auto again = decodeRace(*first, &error);
    if (!again)
        fuzzFailure(name + " does not decode", error.toUtf8() + '\n' + *first);
    const auto second = encodeRace(*again, JsonLayout::Compact);
    if (!second || *second != *first)
        fuzzFailure(name + " does not read back the same", *first);
    return *first;
}

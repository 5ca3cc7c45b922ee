#pragma once

// An event kept as a document under tests/data, for tests that start from a fixed event.

#include "casetable.h"
#include "racejson.h"

// The event in tests/data/<file>; a file that does not read stops the test program.
inline Race testEvent(const QString &file)
{
    QString error;
    const auto race = decodeRace(casetable::readData(file), &error);
    if (!race)
        qFatal("test event %s: %s", qPrintable(file), qPrintable(error));
    return *race;
}

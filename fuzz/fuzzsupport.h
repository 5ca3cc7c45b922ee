#pragma once

// Shared by the fuzz targets: quiet logging and a failure that libFuzzer reports as a crash.

#include <QByteArray>
#include <QLoggingCategory>

#include <cstdio>
#include <cstdlib>

inline void quietFuzzing()
{
    static const bool done = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
        qputenv("TZ", "Europe/Copenhagen");
        return true;
    }();
    (void)done;
}

// A broken invariant: print what broke and abort, so libFuzzer saves the input.
[[noreturn]] inline void fuzzFailure(const QByteArray &what, const QByteArray &detail = {})
{
    std::fprintf(stderr, "invariant broken: %s\n%s\n", what.constData(), detail.constData());
    std::abort();
}

#pragma once

// How long a test waits for the state it checks. Every test program includes this first (see
// vexlo_add_test): a test waits for a condition (a signal, a property, a file, an item on
// screen), never for time to pass, and gives up only after `testwaits::ceiling`. The bound is
// a failure bound, not an expected duration: the suite runs under sanitizers on a shared machine
// beside other builds and fuzzers, where a step that takes milliseconds alone can take many
// seconds.
//
// Qt's QTRY_ macros without a time-out wait 5 s, too little on such a machine: here they wait up
// to the shared bound instead, and report a failure as soon as it is reached (Qt's own go on for
// twice as long again only to say by how much the time-out was too short).

#include <QtCore/qtestsupport_core.h>
#include <QtTest/qtestcase.h>

#include <chrono>

namespace testwaits {

inline constexpr int ceilingMs = 60000;
inline constexpr std::chrono::milliseconds ceiling {ceilingMs};

// Whether the running test has failed already: its later waits then stop at once, as Qt's do.
inline bool testFailed()
{
    return QTest::runningTest() && QTest::currentTestFailed();
}

} // namespace testwaits

// The condition, re-evaluated while events are processed until it holds, the test has failed,
// or the bound is reached.
#define VEXLO_TRY_WAIT(expr)                                                                                 \
    (void)QTest::qWaitFor(                                                                                   \
        [&]() -> bool { return testwaits::testFailed() || static_cast<bool>(expr); }, testwaits::ceilingMs)

#undef QTRY_VERIFY
#define QTRY_VERIFY(expr)                                                                                    \
    do {                                                                                                     \
        VEXLO_TRY_WAIT(expr);                                                                                \
        QVERIFY(expr);                                                                                       \
    } while (false)

#undef QTRY_VERIFY2
#define QTRY_VERIFY2(expr, messageExpression)                                                                \
    do {                                                                                                     \
        VEXLO_TRY_WAIT(expr);                                                                                \
        QVERIFY2(expr, messageExpression);                                                                   \
    } while (false)

#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected)                                                                         \
    do {                                                                                                     \
        VEXLO_TRY_WAIT((expr) == (expected));                                                                \
        QCOMPARE(expr, expected);                                                                            \
    } while (false)

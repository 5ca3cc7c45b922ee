#pragma once

// Reads an IOF XML 3.0 CourseData document into courses (with their controls, family and length:
// the declared one, else computed from control positions) and the classes named by its
// class-course assignments. Pure conversion: the event is not touched.

#include "iofxml.h"
#include "race.h"

#include <QByteArray>
#include <QList>

namespace IOFCourseDataParser {

// A score with a fraction, which the event cannot hold: it counts as the whole points rounded
// half up (7.5 counts 8), and the organiser is told which control it was.
struct RoundedScore
{
    QString courseName;
    qint64 code = 0;
    QString text; // as the file writes it
    qint64 points = 0;
    bool operator==(const RoundedScore &) const = default;
};

struct Result
{
    QList<Course> courses; // document order
    QList<RaceClass> classes; // document order, one per assignment
    QList<RoundedScore> roundedScores; // document order
};

// Throws XmlError for bytes that are not an acceptable XML document; ImportError for any other
// document than CourseData (a StartList or ResultList also names courses), "No <Course> elements
// found in CourseData XML" when there is no course, and for a file of several races when
// `raceNumber` is absent or names none of them. A file of one race is read whatever the number.
[[nodiscard]] Result parse(const QByteArray &bytes, std::optional<int> raceNumber = std::nullopt);

} // namespace IOFCourseDataParser

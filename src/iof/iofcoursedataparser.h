#pragma once

// Reads an IOF XML 3.0 CourseData document into courses (with their controls, family and a length
// computed from control positions) and the classes named by its class-course assignments.
// Pure conversion: the event is not touched.

#include "iofxml.h"
#include "race.h"

#include <QByteArray>
#include <QList>

namespace IOFCourseDataParser {

struct Result
{
    QList<Course> courses; // document order
    QList<RaceClass> classes; // document order, one per assignment
};

// Throws XmlError for bytes that are not an acceptable XML document, and ImportError
// "No <Course> elements found in CourseData XML" when there is no course.
[[nodiscard]] Result parse(const QByteArray &bytes);

} // namespace IOFCourseDataParser

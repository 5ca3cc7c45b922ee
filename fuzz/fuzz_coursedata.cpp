// The CourseData reader on any bytes: a result or an ImportError, and never a length the event
// file cannot hold.

#include "fuzzsupport.h"
#include "iofcoursedataparser.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quietFuzzing();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (std::optional<int> race : {std::optional<int>(), std::optional<int>(2)}) {
        try {
            const auto result = IOFCourseDataParser::parse(bytes, race);
            for (const Course &course : result.courses) {
                if (course.lengthMeters && !std::isfinite(*course.lengthMeters))
                    fuzzFailure("a course length that cannot be saved", course.name.toUtf8());
            }
        } catch (const ImportError &) { }
    }
    return 0;
}

// The web services' answers as the clients read them: the Vexlo Web event and check-in lists,
// and the Metsä service's error and success bodies. No crash on any bytes; a refused answer
// always says why, and the Metsä status texts are never empty and end with the time.

#include "fuzzsupport.h"
#include "metsapublisher.h"
#include "vexlowebjson.h"

#include <QTime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quietFuzzing();
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));

    QString error;
    const auto event = decodeVexloWebEvent(body, &error);
    if (!event && error.isEmpty())
        fuzzFailure("an event answer refused without a reason", body);
    error.clear();
    const auto entries = decodeChecklistEntries(body, &error);
    if (!entries && error.isEmpty())
        fuzzFailure("a check-in answer refused without a reason", body);

    for (int status : {200, 400, 401, 403, 404, 409, 413, 422, 500, 503, 599}) {
        const QString text = MetsaPublisher::statusMessage(status, body);
        if (text.isEmpty())
            fuzzFailure("an empty status text", body);
    }
    const QString summary = MetsaPublisher::successSummary(body, QTime(12, 0, 0));
    if (!summary.endsWith(QLatin1String(" at 12:00:00")))
        fuzzFailure("a success text without its time", summary.toUtf8());
    return 0;
}

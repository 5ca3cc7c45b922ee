// The StartList reader on any bytes: rows or an error, and every start time one the event file
// can hold.

#include "fuzzsupport.h"
#include "iofstartlistparser.h"
#include "racejson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quietFuzzing();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        for (const auto &row : IOFStartListParser::parse(bytes, 2)) {
            if (!isDocumentDate(row.startTime))
                fuzzFailure("a start time the event file cannot hold", bytes);
        }
    } catch (const ImportError &) {
    } catch (const IOFStartListParser::ParseError &) { }
    if (const auto date = IOFStartListParser::parseDate(QString::fromUtf8(bytes))) {
        if (!isDocumentDate(*date))
            fuzzFailure("a start time the event file cannot hold", bytes);
    }
    return 0;
}

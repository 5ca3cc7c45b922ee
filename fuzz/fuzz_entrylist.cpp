// The EntryList reader on any bytes: a result or an ImportError.

#include "fuzzsupport.h"
#include "iofentrylistparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quietFuzzing();
    try {
        (void)IOFEntryListParser::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const ImportError &) { }
    return 0;
}

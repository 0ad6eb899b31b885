// The report-definition reader: any text is read or refused with a message, never a crash.
#include "FuzzInput.h"
#include "base/Exceptions.h"
#include "report/engine/ReportDefinition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        ReportDefinition::parse(fuzzText(data, size), QStringLiteral("fuzz.rpt"));
    } catch (const Exception&) {
    }
    return 0;
}

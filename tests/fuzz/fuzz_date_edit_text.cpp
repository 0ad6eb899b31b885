// The date edit's text: what the edit shows (any text) gives its text and date without a
// crash; a date it accepts is a calendar date that reads back from its own text.
#include "FuzzInput.h"
#include "base/DateTime.h"
#include "base/Mask.h"
#include "controls/DateEditText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString shown = fuzzText(data, size);
    for (const QString& text : {Mask::textFromDisplay(DateEditText::mask(), shown), shown}) {
        const QDate date = DateEditText::toDate(text);
        fuzzRequire(DateEditText::isValid(text) == (text.isEmpty() || date.isValid()),
                    "validity disagrees with the date", text);
        if (!date.isValid())
            continue;
        fuzzRequire(DateEditText::toDate(DateEditText::fromDate(date)) == date,
                    "a date does not read back from its own text", text);
        fuzzRequire(DateTime::toDate(DateTime::fromDate(date)) == date,
                    "a date does not survive its day count", text);
    }
    return 0;
}

// Code lists: the codes (one a line) joined into a list read back as the same codes, in
// order; a list is refused only when every separator occurs in some code.
#include "FuzzInput.h"
#include "base/Exceptions.h"
#include "data/Dbgeral.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList codes = fuzzText(data, size).split(QLatin1Char('\n'));
    QStringList given = codes;
    given.removeAll(QString());
    QString list;
    try {
        list = Dbgeral::codeList(codes);
    } catch (const Exception&) {
        for (const QChar separator : Dbgeral::codeSeparators())
            fuzzRequire(
                std::any_of(given.cbegin(), given.cend(),
                            [separator](const QString& c) { return c.contains(separator); }),
                "refused while a separator was free", codes.join(QLatin1Char('|')));
        return 0;
    }
    fuzzRequire(Dbgeral::codesOf(list) == given, "codes read back differ",
                codes.join(QStringLiteral("\\n")) + QStringLiteral(" -> ") + list);
    return 0;
}

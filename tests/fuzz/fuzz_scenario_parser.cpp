// The scenario parser: any file is parsed or refused with one readable line naming the file
// and line, never a crash.
#include "FuzzInput.h"
#include "scenario/Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ScenarioFile file =
        ScenarioParser::parse(fuzzText(data, size), QStringLiteral("fuzz.scn"));
    if (file.error.isEmpty()) {
        fuzzRequire(!file.cases.isEmpty(), "parsed without a case");
        return 0;
    }
    fuzzRequire(file.cases.isEmpty(), "refused yet cases kept", file.error);
    fuzzRequire(file.error.startsWith(QStringLiteral("fuzz.scn:")), "error names no file",
                file.error);
    for (const QChar c : file.error) // a tab is a blank
        fuzzRequire(c.category() != QChar::Other_Control || c == QLatin1Char('\t'),
                    "control character in the error line", file.error.toUtf8().toHex());
    return 0;
}

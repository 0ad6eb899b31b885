// The scenario parser: any file is parsed or refused with one readable line naming the file
// and line, never a crash.
#include "FuzzInput.h"
#include "form/ScreenDescription.h"
#include "scenario/Scenario.h"

#include <iterator>

namespace {

// A screen with a variable of each type the parser tells apart.
const ScreenDescription& screen()
{
    static const ScreenTableVariable variables[] = {
        {"boStCriado", ScreenVariableBool, nullptr},
        {"inNumMarcado", ScreenVariableInt, nullptr},
        {"stStatusChq", ScreenVariableText, nullptr},
        {"stListaEmpresa", ScreenVariableCompanyCodes, nullptr},
        {"stListaConta", ScreenVariableAccountCodes, nullptr}};
    static const ScreenTable table{screenTableVersion,
                                   "frmCheque",
                                   nullptr,
                                   0,
                                   variables,
                                   std::size(variables),
                                   nullptr,
                                   0,
                                   "KLX47306",
                                   "Relação de &Cheques",
                                   nullptr,
                                   0,
                                   nullptr,
                                   nullptr,
                                   nullptr};
    static const ScreenDescription description =
        ScreenDescription::fromTable(table, QStringLiteral("fuzz"));
    return description;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ScenarioFile file =
        ScenarioParser::parse(fuzzText(data, size), QStringLiteral("fuzz.scn"), screen());
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

#include "ChequeDescription.h"

#include "ChequeAskedCriteria.h"
#include "ChequeCriteriaEntries.h"
#include "ChequeNames.h"
#include "Cli_klx47306.h"

#include <iterator>

namespace {

// The type of a module variable, from its declaration.
constexpr int typeOf(const bool*)
{
    return ScreenVariableBool;
}

constexpr int typeOf(const int*)
{
    return ScreenVariableInt;
}

constexpr int typeOf(const QString*)
{
    return ScreenVariableText;
}

// A text variable that holds a code list of that kind.
constexpr int codeListOf(const QString*, ScreenVariableType kind)
{
    return kind;
}

constexpr ScreenTableVariable variable(const char* name, int type, const char* role)
{
    return {name, type, role};
}

// A module variable by its own identifier: the name is the symbol's and the type follows
// from the declaration.
#define SCREEN_VARIABLE(identifier, role) variable(#identifier, typeOf(&identifier), role)
#define SCREEN_CODE_LIST(identifier, kind)                                                         \
    variable(#identifier, codeListOf(&identifier, kind), nullptr)

const ScreenTableControl controls[] = {
    {ScreenRole::reportList, ReportFormControls::reportList},
    {ChequeRoles::companiesAll, ChequeControls::companiesAll},
    {ChequeRoles::companiesList, ChequeControls::companiesList},
    {ChequeRoles::companiesSearch, ChequeControls::companiesSearch},
    {ChequeRoles::accountsAll, ChequeControls::accountsAll},
    {ChequeRoles::accountsList, ChequeControls::accountsList},
    {ChequeRoles::accountsSearch, ChequeControls::accountsSearch},
    {ChequeRoles::emissionFrom, ChequeControls::emissionFrom},
    {ChequeRoles::emissionTo, ChequeControls::emissionTo},
    {ChequeRoles::clearingFrom, ChequeControls::clearingFrom},
    {ChequeRoles::clearingTo, ChequeControls::clearingTo},
    {ChequeRoles::checkFrom, ChequeControls::checkFrom},
    {ChequeRoles::checkTo, ChequeControls::checkTo},
    {ChequeRoles::stateIssued, ChequeControls::stateIssued},
    {ChequeRoles::stateCancelled, ChequeControls::stateCancelled},
    {ChequeRoles::stateAvailable, ChequeControls::stateAvailable},
    {ChequeRoles::reconciliation, ChequeControls::reconciliation},
    {ScreenRole::print, ReportFormControls::print},
    {ScreenRole::preview, ReportFormControls::preview},
    {ScreenRole::saveAs, ReportFormControls::saveAs},
    {ScreenRole::edit, ReportFormControls::edit},
    {ChequeRoles::filters, ChequeControls::filters},
};

const ScreenTableVariable variables[] = {
    SCREEN_VARIABLE(boStCriado, nullptr),
    SCREEN_VARIABLE(boPrimVez, ScreenRole::defaultsPending),
    SCREEN_VARIABLE(inNumMarcado, nullptr),
    SCREEN_VARIABLE(stStatusChq, nullptr),
    SCREEN_CODE_LIST(stListaEmpresa, ScreenVariableCompanyCodes),
    SCREEN_CODE_LIST(stListaTEmp, ScreenVariableCompanyCodes),
    SCREEN_CODE_LIST(stListaConta, ScreenVariableAccountCodes),
};

const char* const parameters[] = {
    ChequeParameters::companies,    ChequeParameters::allCompanies,
    ChequeParameters::accounts,     ChequeParameters::allAccounts,
    ChequeParameters::checkFrom,    ChequeParameters::checkTo,
    ChequeParameters::allChecks,    ChequeParameters::emissionFrom,
    ChequeParameters::emissionTo,   ChequeParameters::states,
    ChequeParameters::allStates,    ChequeParameters::reconciliation,
    ChequeParameters::clearingFrom, ChequeParameters::clearingTo,
    ChequeParameters::allClearing,
};

} // namespace

const ScreenTable& chequeScreenTable()
{
    static const ScreenTable table{screenTableVersion,
                                   ChequeControls::form,
                                   controls,
                                   std::size(controls),
                                   variables,
                                   std::size(variables),
                                   parameters,
                                   std::size(parameters),
                                   ChequeControls::screenCode,
                                   "Relação de &Cheques",
                                   ChequeAskedCriteria::table(),
                                   ChequeAskedCriteria::count(),
                                   ChequeCriteriaEntries::check,
                                   ChequeCriteriaEntries::apply,
                                   ChequeCriteriaEntries::loadSet};
    return table;
}

#pragma once

// The names the screen's code shares with its form description and with the table that
// describes the screen to its host (ChequeDescription): written here once.

// The roles the screen's table gives its own controls, besides the report form's
// (ScreenRole): what each is for, for tools that drive the screen by role.
namespace ChequeRoles {
inline constexpr char companiesAll[] = "companiesAll";
inline constexpr char companiesList[] = "companiesList";
inline constexpr char companiesSearch[] = "companiesSearch";
inline constexpr char accountsAll[] = "accountsAll";
inline constexpr char accountsList[] = "accountsList";
inline constexpr char accountsSearch[] = "accountsSearch";
inline constexpr char emissionFrom[] = "emissionFrom";
inline constexpr char emissionTo[] = "emissionTo";
inline constexpr char clearingFrom[] = "clearingFrom";
inline constexpr char clearingTo[] = "clearingTo";
inline constexpr char checkFrom[] = "checkFrom";
inline constexpr char checkTo[] = "checkTo";
inline constexpr char stateIssued[] = "stateIssued";
inline constexpr char stateCancelled[] = "stateCancelled";
inline constexpr char stateAvailable[] = "stateAvailable";
inline constexpr char reconciliation[] = "reconciliation";
inline constexpr char filters[] = "filters";
} // namespace ChequeRoles

// Controls of frmCheque.json, by what they are for.
namespace ChequeControls {
inline constexpr char form[] = "frmCheque";
inline constexpr char screenCode[] = "KLX47306";
inline constexpr char companiesAll[] = "rdgTodos";
inline constexpr char companiesList[] = "rdgLista";
inline constexpr char companiesSearch[] = "sbtLista";
inline constexpr char accountsAll[] = "rdgTodasContas";
inline constexpr char accountsList[] = "rdgListaConta";
inline constexpr char accountsSearch[] = "sbtConta";
inline constexpr char emissionFrom[] = "depEmissaoIni";
inline constexpr char emissionTo[] = "depEmissaoFin";
inline constexpr char clearingFrom[] = "depCompensacaoIni";
inline constexpr char clearingTo[] = "depCompensacaoFin";
inline constexpr char checkFrom[] = "medChequeIni";
inline constexpr char checkTo[] = "medChequeFin";
inline constexpr char stateIssued[] = "chbEmit";
inline constexpr char stateCancelled[] = "chbCanc";
inline constexpr char stateAvailable[] = "chbDisp";
inline constexpr char reconciliation[] = "cbbConciliacao";
inline constexpr char filters[] = "sbtFiltros";
} // namespace ChequeControls

// The report query parameters the screen binds, in the order it binds them.
namespace ChequeParameters {
inline constexpr char companies[] = "P_CDEMPRESA";
inline constexpr char allCompanies[] = "P_TCDEMPRESA";
inline constexpr char accounts[] = "P_CDREDUCONT";
inline constexpr char allAccounts[] = "P_TCDREDUCONT";
inline constexpr char checkFrom[] = "P_NRCHEQUEINI";
inline constexpr char checkTo[] = "P_NRCHEQUEFIN";
inline constexpr char allChecks[] = "P_TNRCHEQUE";
inline constexpr char emissionFrom[] = "P_DTINI";
inline constexpr char emissionTo[] = "P_DTFIN";
inline constexpr char states[] = "P_STATUS";
inline constexpr char allStates[] = "P_TSTATUS";
inline constexpr char reconciliation[] = "P_IDCOMPENSADO";
inline constexpr char clearingFrom[] = "P_DTCOMPINI";
inline constexpr char clearingTo[] = "P_DTCOMPFIN";
inline constexpr char allClearing[] = "P_TDTCOMP";
} // namespace ChequeParameters

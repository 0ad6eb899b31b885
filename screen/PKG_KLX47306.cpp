// The module's package entry: the exported opening call, the screen's description and the
// unit's initialisation and finalisation, counted so that only the first load and the last
// unload act.
#include "ChequeDescription.h"
#include "Cli_klx47306.h"

namespace {
int loadCount = 0;
}

extern "C" {

// Opens the screen.
Q_DECL_EXPORT void IniProc()
{
    CriaCheque();
}

// What the screen is to its host: its form, controls, variables and report parameters.
Q_DECL_EXPORT const ScreenTable* DescribeScreen()
{
    return &chequeScreenTable();
}

// Called by the host's module loader after each load request.
Q_DECL_EXPORT void Initialize()
{
    if (loadCount++ == 0)
        boStCriado = false;
}

// Called by the host's module loader before each unload request.
Q_DECL_EXPORT void Finalize()
{
    if (loadCount == 0 || --loadCount > 0)
        return;
    stStatusChq.clear();
    stListaConta.clear();
    stListaTEmp.clear();
    stListaEmpresa.clear();
}
}

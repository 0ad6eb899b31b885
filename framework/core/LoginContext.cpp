#include "core/LoginContext.h"

#include "data/Dbgeral.h"

namespace {
QString currentBranch;
QString currentOperator;
} // namespace

void LoginContext::SetBranch(const QString& branch)
{
    currentBranch = branch;
}

void LoginContext::SetOperator(const QString& operatorCode)
{
    currentOperator = operatorCode;
}

QString FiliProc()
{
    return currentBranch;
}

TDateTime DataProc(const QString& branch)
{
    return Dbgeral::DataProcFilial(branch);
}

QString Operador()
{
    return currentOperator;
}

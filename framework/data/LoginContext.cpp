#include "data/LoginContext.h"
#include "data/LoginContext_p.h"

#include "base/Exceptions.h"
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

void LoginContext::Login(const QString& branch, const QString& operatorCode)
{
    if (!Dbgeral::OperadorCadastrado(operatorCode))
        throw Exception(QStringLiteral("Operador %1 não cadastrado.").arg(operatorCode));
    if (!Dbgeral::FilialCadastrada(branch))
        throw Exception(QStringLiteral("Filial %1 não cadastrada.").arg(branch));
    if (Dbgeral::DataProcFilial(branch) == 0)
        throw Exception(QStringLiteral("Filial %1 sem data de processamento.").arg(branch));
    currentBranch = branch;
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

#include "OperatorCheck.h"

#include "Administration.h"
#include "data/Schema.h"

namespace OperatorCheck {

namespace {

using Finding = DatabaseCheck::Finding;

struct Operator {
    QString name;
    QStringList companies;
    bool all = false;
};

QList<Operator> operatorsOf(Administration& administration)
{
    QList<Operator> operators;
    const QStringList all = administration.column(
        QStringLiteral("SELECT CDOPERADOR FROM OPERADOR WHERE IDTODASEMPRESAS = 'S'"));
    for (const QString& name :
         administration.column(QStringLiteral("SELECT CDOPERADOR FROM OPERADOR ORDER BY 1")))
        operators << Operator{
            name,
            administration.column(QStringLiteral("SELECT CDEMPRESA FROM OPEREMPR WHERE "
                                                 "CDOPERADOR = ? ORDER BY 1"),
                                  {name}),
            all.contains(name)};
    return operators;
}

// What keeps the operator from logging in, each with the command that fixes it.
QStringList loginFaults(Administration& administration, const Operator& person,
                        const QStringList& members)
{
    const QString companies =
        person.all ? QStringLiteral("all") : person.companies.join(QLatin1Char(','));
    QStringList faults;
    if (administration.onServer()) {
        const Administration::Login login = administration.login(person.name);
        if (login == Administration::Login::Missing)
            faults << QStringLiteral("o usuário %1 não existe neste servidor (crie-o com: "
                                     "klx-admin operator add %1 --companies %2 --password-file "
                                     "ARQ)")
                          .arg(person.name,
                               companies.isEmpty() ? QStringLiteral("EMPRESAS") : companies);
        else if (login == Administration::Login::Inactive)
            faults << QStringLiteral("o usuário %1 está inativo no servidor (reative-o com: "
                                     "klx-admin operator password %1)")
                          .arg(person.name);
    }
    if (administration.firebird() && !members.contains(person.name))
        faults << QStringLiteral("não tem o papel %1 neste banco (klx-admin repair o concede)")
                      .arg(Schema::reportRole());
    return faults;
}

QString loginText(Administration& administration)
{
    if (administration.onServer())
        return QStringLiteral("usuário do servidor ativo, papel %1").arg(Schema::reportRole());
    if (administration.firebird())
        return QStringLiteral("papel %1").arg(Schema::reportRole());
    return QStringLiteral("cadastrado");
}

} // namespace

void run(Administration& administration, QList<Finding>& findings)
{
    const QStringList companies = administration.companies();
    const QStringList members =
        administration.firebird()
            ? administration.column(QStringLiteral("SELECT RDB$USER FROM RDB$USER_PRIVILEGES "
                                                   "WHERE RDB$RELATION_NAME = ? AND "
                                                   "RDB$PRIVILEGE = 'M'"),
                                    {Schema::reportRole()})
            : QStringList();
    QStringList seen;
    for (const Operator& person : operatorsOf(administration)) {
        seen << person.companies;
        const QStringList faults = loginFaults(administration, person, members);
        const QString shown = person.companies.isEmpty() ? QStringLiteral("nenhuma")
                                                         : person.companies.join(QLatin1Char(','));
        if (faults.isEmpty())
            findings << Finding{Finding::Level::Ok,
                                QStringLiteral("operador %1 entra: %2; empresas %3%4")
                                    .arg(person.name, loginText(administration), shown,
                                         person.all ? QStringLiteral(" (todas)") : QString())};
        else
            findings << Finding{Finding::Level::Error,
                                QStringLiteral("operador %1 não entra: %2")
                                    .arg(person.name, faults.join(QStringLiteral("; ")))};
        QStringList lacking;
        if (person.all)
            for (const QString& company : companies)
                if (!person.companies.contains(company))
                    lacking << company;
        if (!lacking.isEmpty())
            findings << Finding{Finding::Level::Error,
                                QStringLiteral("operador %1 é de todas as empresas mas não vê %2; "
                                               "rode klx-admin repair")
                                    .arg(person.name, lacking.join(QLatin1Char(',')))};
    }
    QStringList unseen;
    for (const QString& company : companies)
        if (!seen.contains(company))
            unseen << company;
    if (!unseen.isEmpty())
        findings << Finding{Finding::Level::Warning,
                            QStringLiteral("nenhum operador vê as empresas %1 (klx-admin operator "
                                           "add NOME --companies ...)")
                                .arg(unseen.join(QLatin1Char(',')))};
}

} // namespace OperatorCheck

#include "Operators.h"

#include "Administration.h"
#include "NewPassword.h"
#include "base/Exceptions.h"
#include "data/Schema.h"

namespace {

// A text inside a statement that takes no parameter (a password in CREATE USER).
QString quoted(const QString& text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

const QString serverWide = QStringLiteral("vale para todos os bancos deste servidor");

} // namespace

Operators::Operators(Administration& administration) : m_administration(administration) {}

bool Operators::registered(const QString& name)
{
    return m_administration.exists(QStringLiteral("SELECT 1 FROM OPERADOR WHERE CDOPERADOR = ?"),
                                   {name});
}

QStringList Operators::companiesOf(const QString& list)
{
    const QStringList all = m_administration.companies();
    if (list.trimmed() == QLatin1String("all"))
        return all;
    QStringList chosen;
    for (const QString& code : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString trimmed = code.trimmed();
        if (!all.contains(trimmed))
            throw Exception(
                QStringLiteral("--companies: a empresa '%1' não está cadastrada (empresas: %2); "
                               "cadastre-a com klx-admin company add %1 NOME")
                    .arg(trimmed, all.isEmpty() ? QStringLiteral("nenhuma")
                                                : all.join(QStringLiteral(", "))));
        if (!chosen.contains(trimmed))
            chosen << trimmed;
    }
    if (chosen.isEmpty())
        throw Exception(QStringLiteral("--companies: informe as empresas (01,02 ou all)"));
    return chosen;
}

void Operators::setCompanies(const QString& name, const QStringList& companies, bool all)
{
    m_administration.exec(
        QStringLiteral("UPDATE OPERADOR SET IDTODASEMPRESAS = ? WHERE CDOPERADOR = ?"),
        {all ? QVariant(QStringLiteral("S")) : QVariant(QMetaType(QMetaType::QString)), name});
    m_administration.exec(QStringLiteral("DELETE FROM OPEREMPR WHERE CDOPERADOR = ?"), {name});
    for (const QString& company : companies)
        m_administration.exec(
            QStringLiteral("INSERT INTO OPEREMPR (CDOPERADOR, CDEMPRESA) VALUES (?, ?)"),
            {name, company});
}

void Operators::grantRole(const QString& name)
{
    m_administration.exec(QStringLiteral("GRANT %1 TO USER %2").arg(Schema::reportRole(), name));
}

void Operators::revokeRole(const QString& name)
{
    if (m_administration.exists(
            QStringLiteral("SELECT 1 FROM RDB$USER_PRIVILEGES WHERE RDB$USER = ? "
                           "AND RDB$RELATION_NAME = ? AND RDB$PRIVILEGE = 'M'"),
            {name, Schema::reportRole()}))
        m_administration.exec(
            QStringLiteral("REVOKE %1 FROM USER %2").arg(Schema::reportRole(), name));
}

Operators::LoginPlan Operators::planLogin(const QString& name, const QString& passwordFile,
                                          bool resetPassword)
{
    LoginPlan plan;
    if (!m_administration.onServer())
        return plan;
    const Administration::Login login = m_administration.login(name);
    plan.inactive = login == Administration::Login::Inactive;
    if (login == Administration::Login::Missing) {
        plan.action = LoginPlan::Action::Create;
        plan.password = NewPassword::obtain(passwordFile, name);
    } else if (resetPassword) {
        plan.action = LoginPlan::Action::Reset;
        plan.password = NewPassword::obtain(passwordFile, name);
    } else {
        plan.action = LoginPlan::Action::Keep;
    }
    return plan;
}

QString Operators::applyLogin(const QString& name, const LoginPlan& plan)
{
    switch (plan.action) {
    case LoginPlan::Action::None:
        return QString();
    case LoginPlan::Action::Create:
        m_administration.exec(
            QStringLiteral("CREATE USER %1 PASSWORD %2").arg(name, quoted(plan.password)));
        return QStringLiteral("usuário do servidor criado");
    case LoginPlan::Action::Reset:
        m_administration.exec(
            QStringLiteral("ALTER USER %1 PASSWORD %2 ACTIVE").arg(name, quoted(plan.password)));
        return QStringLiteral("senha do usuário do servidor trocada (ela %1)").arg(serverWide);
    case LoginPlan::Action::Keep:
        break;
    }
    return plan.inactive
               ? QStringLiteral("o usuário %1 existe no servidor mas está inativo e não entra: "
                                "klx-admin operator password %1 o reativa")
                     .arg(name)
               : QStringLiteral("usuário do servidor já existente, senha mantida (a senha %1; "
                                "troque-a com operator password)")
                     .arg(serverWide);
}

QString Operators::add(const QString& given, const QString& companyList,
                       const QString& passwordFile, const QString& displayName, bool resetPassword)
{
    const QString name = Administration::operatorName(given);
    if (companyList.isEmpty())
        throw EBadCommandLine(QStringLiteral("--companies: informe as empresas (01,02 ou all)"));
    m_administration.requireCurrentVersion();
    const QStringList companies = companiesOf(companyList);
    const bool all = companyList.trimmed() == QLatin1String("all");
    const LoginPlan plan = planLogin(name, passwordFile, resetPassword);
    QStringList made;
    m_administration.inTransaction([&] {
        if (const QString login = applyLogin(name, plan); !login.isEmpty())
            made << login;
        if (!registered(name)) {
            m_administration.exec(
                QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR) VALUES (?, ?)"),
                {name, displayName.isEmpty() ? name : displayName});
            made << QStringLiteral("operador cadastrado");
        } else if (!displayName.isEmpty()) {
            m_administration.exec(
                QStringLiteral("UPDATE OPERADOR SET NMOPERADOR = ? WHERE CDOPERADOR = ?"),
                {displayName, name});
        }
        setCompanies(name, companies, all);
        made << (all ? QStringLiteral("todas as empresas, as novas também (hoje %1)")
                     : QStringLiteral("empresas %1"))
                    .arg(companies.isEmpty() ? QStringLiteral("nenhuma")
                                             : companies.join(QStringLiteral(", ")));
        if (m_administration.firebird()) {
            revokeRole(name);
            grantRole(name);
            made << QStringLiteral("papel %1").arg(Schema::reportRole());
        }
    });
    return QStringLiteral("operador %1: %2").arg(name, made.join(QStringLiteral("; ")));
}

QString Operators::remove(const QString& given, bool dropLogin)
{
    const QString name = Administration::operatorName(given);
    m_administration.open();
    if (!registered(name))
        throw Exception(QStringLiteral("o operador %1 não está cadastrado neste banco").arg(name));
    const bool login = m_administration.login(name) != Administration::Login::Missing;
    m_administration.inTransaction([&] {
        m_administration.exec(QStringLiteral("DELETE FROM OPEREMPR WHERE CDOPERADOR = ?"), {name});
        m_administration.exec(QStringLiteral("DELETE FROM OPERADOR WHERE CDOPERADOR = ?"), {name});
        if (m_administration.firebird())
            revokeRole(name);
        if (dropLogin && login)
            m_administration.exec(QStringLiteral("DROP USER %1").arg(name));
    });
    if (!login)
        return QStringLiteral("operador %1 retirado deste banco").arg(name);
    if (dropLogin)
        return QStringLiteral("operador %1 retirado deste banco, e o usuário %1 apagado do "
                              "servidor: não entra mais em nenhum banco deste servidor")
            .arg(name);
    return QStringLiteral("operador %1 retirado deste banco; o usuário %1 do servidor foi "
                          "mantido, pois %2 (--drop-login o apaga)")
        .arg(name, serverWide);
}

QString Operators::rename(const QString& given, const QString& givenNew,
                          const QString& passwordFile, bool dropLogin)
{
    const QString name = Administration::operatorName(given);
    const QString newName = Administration::operatorName(givenNew);
    m_administration.requireCurrentVersion();
    if (!registered(name))
        throw Exception(QStringLiteral("o operador %1 não está cadastrado neste banco").arg(name));
    if (registered(newName))
        throw Exception(QStringLiteral("o operador %1 já está cadastrado").arg(newName));
    const LoginPlan plan = planLogin(newName, passwordFile, false);
    const bool oldLogin = m_administration.login(name) != Administration::Login::Missing;
    QStringList made;
    m_administration.inTransaction([&] {
        if (const QString login = applyLogin(newName, plan); !login.isEmpty())
            made << login;
        m_administration.exec(
            QStringLiteral("UPDATE OPERADOR SET CDOPERADOR = ? WHERE CDOPERADOR = ?"),
            {newName, name});
        m_administration.exec(
            QStringLiteral("UPDATE OPEREMPR SET CDOPERADOR = ? WHERE CDOPERADOR = ?"),
            {newName, name});
        if (m_administration.firebird()) {
            revokeRole(name);
            grantRole(newName);
        }
        if (dropLogin && oldLogin) {
            m_administration.exec(QStringLiteral("DROP USER %1").arg(name));
            made << QStringLiteral("usuário %1 apagado do servidor").arg(name);
        } else if (oldLogin) {
            made << QStringLiteral("usuário %1 mantido no servidor (%2; --drop-login o apaga)")
                        .arg(name, serverWide);
        }
    });
    return QStringLiteral("operador %1 agora é %2%3")
        .arg(name, newName,
             made.isEmpty() ? QString() : QStringLiteral(": ") + made.join(QStringLiteral("; ")));
}

QString Operators::changePassword(const QString& given, const QString& passwordFile)
{
    const QString name = Administration::operatorName(given);
    if (!m_administration.onServer())
        throw Exception(QStringLiteral("só um servidor Firebird guarda senhas; o banco '%1' é "
                                       "local")
                            .arg(m_administration.options().database.path));
    m_administration.open();
    const Administration::Login login = m_administration.login(name);
    if (login == Administration::Login::Missing)
        throw Exception(QStringLiteral("o usuário %1 não existe no servidor; cadastre-o com "
                                       "klx-admin operator add %1")
                            .arg(name));
    const QString password = NewPassword::obtain(passwordFile, name);
    m_administration.inTransaction([&] {
        m_administration.exec(
            QStringLiteral("ALTER USER %1 PASSWORD %2 ACTIVE").arg(name, quoted(password)));
    });
    return QStringLiteral("senha do usuário %1 trocada no servidor (ela %2)%3")
        .arg(name, serverWide,
             login == Administration::Login::Inactive ? QStringLiteral("; usuário reativado")
                                                      : QString());
}

QStringList Operators::list()
{
    m_administration.open();
    const bool server = m_administration.onServer();
    const bool firebird = m_administration.firebird();
    const QStringList members =
        firebird ? m_administration.column(
                       QStringLiteral("SELECT RDB$USER FROM RDB$USER_PRIVILEGES WHERE "
                                      "RDB$RELATION_NAME = ? AND RDB$PRIVILEGE = 'M'"),
                       {Schema::reportRole()})
                 : QStringList();
    const QString format = QStringLiteral("%1  %2  %3  %4");
    QStringList lines{format.arg(QStringLiteral("OPERADOR"), -10)
                          .arg(QStringLiteral("EMPRESAS"), -28)
                          .arg(server ? QStringLiteral("USUÁRIO DO SERVIDOR") : QString(), -19)
                          .arg(firebird ? QStringLiteral("PAPEL") : QString())
                          .trimmed()};
    const QStringList names =
        m_administration.column(QStringLiteral("SELECT CDOPERADOR FROM OPERADOR ORDER BY 1"));
    for (const QString& name : names) {
        const QStringList companies = m_administration.column(
            QStringLiteral("SELECT CDEMPRESA FROM OPEREMPR WHERE CDOPERADOR = ? ORDER BY 1"),
            {name});
        const bool all = m_administration.exists(
            QStringLiteral("SELECT 1 FROM OPERADOR WHERE CDOPERADOR = ? AND IDTODASEMPRESAS = 'S'"),
            {name});
        QString seen =
            companies.isEmpty() ? QStringLiteral("nenhuma") : companies.join(QLatin1Char(','));
        if (all)
            seen = QStringLiteral("todas (%1)").arg(seen);
        QString login;
        if (server) {
            const Administration::Login state = m_administration.login(name);
            login = state == Administration::Login::Active     ? QStringLiteral("ativo")
                    : state == Administration::Login::Inactive ? QStringLiteral("inativo")
                                                               : QStringLiteral("não existe");
        }
        const QString role =
            firebird ? (members.contains(name) ? QStringLiteral("sim") : QStringLiteral("não"))
                     : QString();
        lines << format.arg(name, -10).arg(seen, -28).arg(login, -19).arg(role).trimmed();
    }
    return lines;
}

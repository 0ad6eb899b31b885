#include "DatabaseCheck.h"

#include "Administration.h"
#include "AppPaths.h"
#include "Password.h"
#include "base/ConfigFile.h"
#include "base/Exceptions.h"
#include "data/FirebirdAddress.h"
#include "data/Schema.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace DatabaseCheck {

namespace {

QStringList column(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw EDatabaseError(query.lastError().text());
    QStringList values;
    while (query.next())
        values << query.value(0).toString().trimmed();
    return values;
}

QString sorted(QSet<QString> set)
{
    QStringList list(set.cbegin(), set.cend());
    list.sort();
    return list.join(QStringLiteral(", "));
}

// The rights the role and the view must have, and no more.
void checkGrants(QSqlDatabase& db, QList<Finding>& findings)
{
    const QString role = Schema::reportRole();
    const QSet<QString> readable{"CHEQUE_OPERADOR", "EMPRESA",  "BANCO",    "CONTCORR",
                                 "FILIAL",          "OPERADOR", "OPEREMPR", "KLX_VERSAO"};
    const QSet<QString> callable{"PARAM", "CODES", "INSTR"};
    const QStringList rights = column(
        db, QStringLiteral("SELECT TRIM(RDB$PRIVILEGE) || ' ' || TRIM(RDB$RELATION_NAME) FROM "
                           "RDB$USER_PRIVILEGES WHERE RDB$USER = '%1' AND RDB$USER_TYPE = 13")
                .arg(role));
    QSet<QString> selects, executes, others;
    for (const QString& right : rights) {
        const QString privilege = right.section(QLatin1Char(' '), 0, 0);
        const QString object = right.section(QLatin1Char(' '), 1);
        if (privilege == QLatin1String("S"))
            selects << object;
        else if (privilege == QLatin1String("X"))
            executes << object;
        else
            others << right;
    }
    const bool exact = selects == readable && executes == callable && others.isEmpty();
    findings << Finding{exact,
                        exact ? QStringLiteral("papel %1: lê a visão e os cadastros, "
                                               "executa PARAM, CODES e INSTR, e nada mais")
                                    .arg(role)
                              : QStringLiteral("papel %1 com permissões erradas: lê %2; "
                                               "executa %3; outras: %4")
                                    .arg(role, sorted(selects), sorted(executes), sorted(others))};
    const QStringList view =
        column(db, QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$USER_PRIVILEGES WHERE "
                                  "RDB$USER = 'CHEQUE_OPERADOR' AND RDB$PRIVILEGE = 'S'"));
    const bool viewReads =
        view.contains(QStringLiteral("CHEQUE")) && view.contains(QStringLiteral("OPEREMPR"));
    findings << Finding{viewReads, viewReads ? QStringLiteral("visão CHEQUE_OPERADOR lê CHEQUE e "
                                                              "OPEREMPR")
                                             : QStringLiteral("a visão CHEQUE_OPERADOR não tem "
                                                              "permissão em CHEQUE e OPEREMPR")};
    const QStringList open =
        column(db, QStringLiteral("SELECT TRIM(RDB$PRIVILEGE) FROM RDB$USER_PRIVILEGES WHERE "
                                  "RDB$USER = 'PUBLIC' AND RDB$RELATION_NAME = 'CHEQUE'"));
    findings << Finding{open.isEmpty(), open.isEmpty()
                                            ? QStringLiteral("CHEQUE fechada a PUBLIC")
                                            : QStringLiteral("PUBLIC tem permissões em CHEQUE: %1")
                                                  .arg(open.join(QStringLiteral(", ")))};
    const QStringList operators =
        column(db, QStringLiteral("SELECT TRIM(CDOPERADOR) FROM OPERADOR ORDER BY 1"));
    const QStringList members =
        column(db, QStringLiteral("SELECT TRIM(RDB$USER) FROM RDB$USER_PRIVILEGES WHERE "
                                  "RDB$RELATION_NAME = '%1' AND RDB$PRIVILEGE = 'M'")
                       .arg(role));
    QStringList without;
    for (const QString& name : operators)
        if (!members.contains(name))
            without << name;
    findings << Finding{
        without.isEmpty(),
        without.isEmpty()
            ? QStringLiteral("operadores com o papel: %1").arg(operators.join(QStringLiteral(", ")))
            : QStringLiteral("operadores sem o papel %1: %2 (klx-admin operator "
                             "add)")
                  .arg(role, without.join(QStringLiteral(", ")))};
}

void checkSchema(Administration& administration, QList<Finding>& findings)
{
    QSqlDatabase& db = administration.database();
    const bool firebird = Schema::isFirebird(db);
    const int version = Schema::version(db);
    findings << Finding{
        version >= Schema::currentVersion,
        version >= Schema::currentVersion
            ? QStringLiteral("esquema na versão %1").arg(version)
            : QStringLiteral("esquema na versão %1; rode klx-admin upgrade").arg(version)};
    const QString viewQuery =
        firebird ? QStringLiteral("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = "
                                  "'CHEQUE_OPERADOR' AND RDB$VIEW_BLR IS NOT NULL")
                 : QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'view' AND name = "
                                  "'CHEQUE_OPERADOR'");
    const bool view = !column(db, viewQuery).isEmpty();
    findings << Finding{view, view ? QStringLiteral("visão CHEQUE_OPERADOR presente")
                                   : QStringLiteral("falta a visão CHEQUE_OPERADOR")};
    if (!firebird) {
        const QStringList outdated = Schema::outdatedIndexes(db);
        findings << Finding{outdated.isEmpty(),
                            outdated.isEmpty()
                                ? QStringLiteral("índices como no esquema")
                                : QStringLiteral("índices diferentes do esquema: %1; rode "
                                                 "klx-admin upgrade")
                                      .arg(outdated.join(QStringLiteral(", ")))};
        return;
    }
    const bool codes = !column(db, QStringLiteral("SELECT 1 FROM RDB$PROCEDURES WHERE "
                                                  "RDB$PROCEDURE_NAME = 'CODES'"))
                            .isEmpty();
    findings << Finding{codes, codes ? QStringLiteral("procedimento CODES presente")
                                     : QStringLiteral("falta o procedimento CODES; rode "
                                                      "klx-admin upgrade")};
    const bool role = !column(db, QStringLiteral("SELECT 1 FROM RDB$ROLES WHERE RDB$ROLE_NAME "
                                                 "= '%1'")
                                      .arg(Schema::reportRole()))
                           .isEmpty();
    findings << Finding{
        role,
        role
            ? QStringLiteral("papel %1 presente").arg(Schema::reportRole())
            : QStringLiteral("falta o papel %1; rode klx-admin upgrade").arg(Schema::reportRole())};
    if (role)
        checkGrants(db, findings);
}

// The file's mode as chmod writes it (640): Qt keeps user, group and others in hex digits.
QString modeText(const QFileInfo& file)
{
    const int bits = static_cast<int>(file.permissions());
    return QStringLiteral("%1%2%3").arg((bits >> 8) & 7).arg((bits >> 4) & 7).arg(bits & 7);
}

// The database file, when it is on this machine: others must not reach it.
void checkDatabaseFile(const QString& path, QList<Finding>& findings)
{
    QString local = path;
    if (const auto server = FirebirdAddress::serverOf(path)) {
        if (server->host != QLatin1String("127.0.0.1") &&
            server->host != QLatin1String("localhost"))
            return;
        local = path.section(QLatin1Char(':'), 1);
    }
    const QFileInfo file(local);
    if (!file.isFile())
        return;
    const bool others = file.permissions() & (QFile::ReadOther | QFile::WriteOther);
    findings << Finding{!others, QStringLiteral("arquivo do banco %1: dono %2, modo %3%4")
                                     .arg(local, file.owner(), modeText(file),
                                          others ? QStringLiteral("; outros usuários o leem: "
                                                                  "chmod o-rwx %1")
                                                       .arg(local)
                                                 : QString())};
}

void checkSecretFile(const QString& path, QList<Finding>& findings)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return;
    // A configuration file is read as the program reads it; one that does not read as such is
    // taken for a password file.
    bool holdsPassword = true;
    if (file.suffix() == QLatin1String("ini")) {
        try {
            holdsPassword = ConfigFile::read(path).contains(QStringLiteral("database"),
                                                            QStringLiteral("password"));
        } catch (const Exception& e) {
            findings << Finding{false, e.Message()};
            return;
        }
    }
    if (!holdsPassword)
        return;
    const bool exposed = Password::readableByOthers(path);
    findings << Finding{!exposed, exposed ? QStringLiteral("%1 guarda uma senha e outros usuários "
                                                           "o leem: chmod 600 %1")
                                                .arg(path)
                                          : QStringLiteral("%1: senha guardada só para o dono "
                                                           "(modo %2)")
                                                .arg(path, modeText(file))};
}

} // namespace

QList<Finding> run(Administration& administration, const QString& databasePath,
                   const QStringList& files)
{
    QList<Finding> findings;
    administration.open();
    checkSchema(administration, findings);
    checkDatabaseFile(databasePath, findings);
    for (const QString& file :
         QStringList{AppPaths::systemConfigFile(), AppPaths::userConfigFile()} + files)
        checkSecretFile(file, findings);
    return findings;
}

} // namespace DatabaseCheck

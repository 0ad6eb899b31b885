#include "Repair.h"

#include "Administration.h"
#include "FileCheck.h"
#include "SchemaComparison.h"
#include "data/Schema.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace Repair {

namespace {

// The statement that makes a view, routine or trigger again over the one there.
QString remade(const SchemaComparison::Object& object, bool firebird)
{
    if (!firebird)
        return object.statement;
    QString statement = object.statement;
    static const QRegularExpression create(QStringLiteral("^CREATE\\s+(?!OR\\s+ALTER)"),
                                           QRegularExpression::CaseInsensitiveOption);
    return statement.replace(create, QStringLiteral("CREATE OR ALTER "));
}

// Firebird cannot use in a transaction what that transaction defined: the objects go first.
QStringList repairObjects(Administration& administration, SchemaComparison& comparison)
{
    const bool firebird = administration.firebird();
    QStringList done;
    const QList<SchemaComparison::Object> missing = comparison.missing();
    const QList<SchemaComparison::Object> changed = comparison.changed();
    if (missing.isEmpty() && changed.isEmpty())
        return done;
    administration.inTransaction([&] {
        for (const SchemaComparison::Object& object : missing) {
            administration.define(object.statement);
            done << QStringLiteral("feito %1").arg(SchemaComparison::describe(object));
        }
        for (const SchemaComparison::Object& object : changed) {
            if (!firebird)
                administration.define(QStringLiteral("DROP %1 %2").arg(object.kind, object.name));
            administration.define(remade(object, firebird));
            done << QStringLiteral("refeito %1").arg(SchemaComparison::describe(object));
        }
    });
    return done;
}

QStringList repairRights(Administration& administration, SchemaComparison& comparison)
{
    QStringList done;
    if (!administration.firebird())
        return done;
    const QList<SchemaComparison::Right> missing = comparison.missingRights();
    const QList<SchemaComparison::Right> extra = comparison.extraRights();
    administration.inTransaction([&] {
        for (const SchemaComparison::Right& right : extra) {
            administration.exec(SchemaComparison::revokeOf(right));
            done << QStringLiteral("revogado %1").arg(SchemaComparison::describe(right));
        }
        if (!missing.isEmpty())
            for (const QString& grant : comparison.grants())
                administration.exec(grant);
        for (const SchemaComparison::Right& right : missing)
            done << QStringLiteral("concedido %1").arg(SchemaComparison::describe(right));
    });
    return done;
}

QStringList repairOperators(Administration& administration)
{
    QStringList done;
    const QStringList lacking = administration.column(
        QStringLiteral("SELECT O.CDOPERADOR || ' ' || E.CDEMPRESA FROM OPERADOR O, EMPRESA E "
                       "WHERE O.IDTODASEMPRESAS = 'S' AND NOT EXISTS (SELECT 1 FROM OPEREMPR X "
                       "WHERE X.CDOPERADOR = O.CDOPERADOR AND X.CDEMPRESA = E.CDEMPRESA)"));
    QStringList roleless;
    if (administration.firebird())
        roleless = administration.column(
            QStringLiteral("SELECT CDOPERADOR FROM OPERADOR WHERE CDOPERADOR NOT IN (SELECT "
                           "RDB$USER FROM RDB$USER_PRIVILEGES WHERE RDB$RELATION_NAME = ? AND "
                           "RDB$PRIVILEGE = 'M')"),
            {Schema::reportRole()});
    if (lacking.isEmpty() && roleless.isEmpty())
        return done;
    administration.inTransaction([&] {
        for (const QString& pair : lacking) {
            const QString name = pair.section(QLatin1Char(' '), 0, 0);
            const QString company = pair.section(QLatin1Char(' '), 1);
            administration.exec(
                QStringLiteral("INSERT INTO OPEREMPR (CDOPERADOR, CDEMPRESA) VALUES (?, ?)"),
                {name, company});
            done << QStringLiteral("empresa %1 dada a %2, operador de todas").arg(company, name);
        }
        for (const QString& name : roleless) {
            administration.exec(
                QStringLiteral("GRANT %1 TO USER %2").arg(Schema::reportRole(), name));
            done << QStringLiteral("papel %1 concedido a %2").arg(Schema::reportRole(), name);
        }
    });
    return done;
}

QStringList repairFile(const Administration& administration)
{
    QStringList done;
    const QString path = FileCheck::localDatabaseFile(administration);
    const QFileInfo file(path);
    const QFile::Permissions others = QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if (!file.isFile() || !(file.permissions() & others))
        return done;
    if (!QFile::setPermissions(path, file.permissions() & ~others))
        throw Exception(QStringLiteral("não foi possível fechar %1 a outros usuários: rode "
                                       "chmod o-rwx %1 como o dono do arquivo ou root")
                            .arg(path));
    done << QStringLiteral("arquivo %1 fechado a outros usuários (chmod o-rwx)").arg(path);
    return done;
}

} // namespace

QString run(Administration& administration)
{
    administration.requireCurrentVersion();
    QStringList done;
    {
        SchemaComparison comparison(administration);
        done << repairObjects(administration, comparison);
    }
    SchemaComparison comparison(administration);
    done << repairRights(administration, comparison);
    done << repairOperators(administration);
    if (!administration.firebird()) {
        const QStringList indexes = Schema::refreshIndexes(administration.database());
        if (!indexes.isEmpty())
            done << QStringLiteral("índices refeitos: %1").arg(indexes.join(QStringLiteral(", ")));
    }
    done << repairFile(administration);
    if (done.isEmpty())
        return QStringLiteral("nada a reparar: o banco está como o esquema");
    return QStringLiteral("reparado:\n  ") + done.join(QStringLiteral("\n  "));
}

} // namespace Repair

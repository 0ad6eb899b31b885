#include "SchemaComparison.h"

#include "Administration.h"
#include "data/Schema.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>

namespace {

const QHash<QString, QString>& privilegeNames()
{
    static const QHash<QString, QString> names{{QStringLiteral("S"), QStringLiteral("SELECT")},
                                               {QStringLiteral("I"), QStringLiteral("INSERT")},
                                               {QStringLiteral("U"), QStringLiteral("UPDATE")},
                                               {QStringLiteral("D"), QStringLiteral("DELETE")},
                                               {QStringLiteral("R"), QStringLiteral("REFERENCES")},
                                               {QStringLiteral("X"), QStringLiteral("EXECUTE")},
                                               {QStringLiteral("G"), QStringLiteral("USAGE")}};
    return names;
}

QString granteeKind(int type)
{
    static const QHash<int, QString> kinds{
        {1, QStringLiteral("VIEW")},      {2, QStringLiteral("TRIGGER")},
        {5, QStringLiteral("PROCEDURE")}, {8, QStringLiteral("USER")},
        {13, QStringLiteral("ROLE")},     {15, QStringLiteral("FUNCTION")}};
    return kinds.value(type, QStringLiteral("USER"));
}

QString objectKind(int type)
{
    static const QHash<int, QString> kinds{{5, QStringLiteral("PROCEDURE")},
                                           {7, QStringLiteral("EXCEPTION")},
                                           {13, QStringLiteral("ROLE")},
                                           {14, QStringLiteral("SEQUENCE")},
                                           {15, QStringLiteral("FUNCTION")}};
    return kinds.value(type, QStringLiteral("TABLE"));
}

// The objects the statements create, each with the last statement that makes it.
QList<SchemaComparison::Object> objectsOf(const QStringList& statements)
{
    static const QRegularExpression create(
        QStringLiteral("^CREATE\\s+(?:OR\\s+ALTER\\s+)?(TABLE|VIEW|PROCEDURE|FUNCTION|TRIGGER|"
                       "SEQUENCE|EXCEPTION|ROLE|INDEX)\\s+(\\w+)"),
        QRegularExpression::CaseInsensitiveOption);
    QList<SchemaComparison::Object> objects;
    for (const QString& statement : statements) {
        const QRegularExpressionMatch match = create.match(statement);
        if (!match.hasMatch())
            continue;
        const SchemaComparison::Object object{match.captured(1).toUpper(),
                                              match.captured(2).toUpper(), statement};
        const auto same = std::find_if(objects.begin(), objects.end(), [&](const auto& known) {
            return known.name == object.name && known.kind == object.kind;
        });
        if (same == objects.end())
            objects << object;
        else
            *same = object;
    }
    return objects;
}

// The rights the statements grant, one per privilege.
QList<SchemaComparison::Right> rightsOf(const QStringList& grants)
{
    static const QRegularExpression grant(
        QStringLiteral("^GRANT\\s+(.+?)\\s+ON\\s+(?:(TABLE|PROCEDURE|FUNCTION|SEQUENCE|EXCEPTION)"
                       "\\s+)?(\\w+)\\s+TO\\s+(?:(ROLE|VIEW|PROCEDURE|TRIGGER|FUNCTION|USER)\\s+)?"
                       "(\\w+)$"),
        QRegularExpression::CaseInsensitiveOption);
    QList<SchemaComparison::Right> rights;
    for (const QString& statement : grants) {
        const QRegularExpressionMatch match = grant.match(statement.simplified());
        if (!match.hasMatch())
            continue;
        for (const QString& privilege : match.captured(1).split(QLatin1Char(',')))
            rights << SchemaComparison::Right{
                privilege.trimmed().toUpper(),
                match.captured(2).isEmpty() ? QStringLiteral("TABLE") : match.captured(2).toUpper(),
                match.captured(3).toUpper(),
                QString(),
                match.captured(4).isEmpty() ? QStringLiteral("USER") : match.captured(4).toUpper(),
                match.captured(5).toUpper()};
    }
    return rights;
}

// A view's, routine's or trigger's text as the database keeps it: a view's and a routine's
// start after AS, a trigger's with it.
QString expectedText(const SchemaComparison::Object& object, bool firebird)
{
    if (!firebird)
        return object.statement.simplified();
    static const QRegularExpression as(QStringLiteral("\\bAS\\b"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = as.match(object.statement);
    if (!match.hasMatch())
        return QString();
    const qsizetype from =
        object.kind == QLatin1String("TRIGGER") ? match.capturedStart() : match.capturedEnd();
    return object.statement.mid(from).simplified();
}

} // namespace

bool SchemaComparison::Right::operator==(const Right& other) const
{
    return privilege == other.privilege && object == other.object && column == other.column &&
           granteeKind == other.granteeKind && grantee == other.grantee;
}

SchemaComparison::SchemaComparison(Administration& administration)
    : m_administration(administration), m_firebird(administration.firebird())
{
    administration.open();
    const QStringList statements = Schema::statements(administration.database());
    m_objects = objectsOf(statements);
    static const QRegularExpression grant(QStringLiteral("^GRANT\\s"),
                                          QRegularExpression::CaseInsensitiveOption);
    m_grants = statements.filter(grant);
    m_expected = rightsOf(m_grants);
}

bool SchemaComparison::present(const Object& object)
{
    if (!m_firebird)
        return m_administration.exists(
            QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = ? AND upper(name) = ?"),
            {object.kind.toLower(), object.name});
    static const QHash<QString, QString> catalogues{
        {QStringLiteral("TABLE"), QStringLiteral("RDB$RELATIONS WHERE RDB$RELATION_NAME")},
        {QStringLiteral("VIEW"), QStringLiteral("RDB$RELATIONS WHERE RDB$VIEW_BLR IS NOT NULL "
                                                "AND RDB$RELATION_NAME")},
        {QStringLiteral("PROCEDURE"), QStringLiteral("RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME")},
        {QStringLiteral("FUNCTION"), QStringLiteral("RDB$FUNCTIONS WHERE RDB$FUNCTION_NAME")},
        {QStringLiteral("TRIGGER"), QStringLiteral("RDB$TRIGGERS WHERE RDB$TRIGGER_NAME")},
        {QStringLiteral("SEQUENCE"), QStringLiteral("RDB$GENERATORS WHERE RDB$GENERATOR_NAME")},
        {QStringLiteral("EXCEPTION"), QStringLiteral("RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME")},
        {QStringLiteral("ROLE"), QStringLiteral("RDB$ROLES WHERE RDB$ROLE_NAME")},
        {QStringLiteral("INDEX"), QStringLiteral("RDB$INDICES WHERE RDB$INDEX_NAME")}};
    return m_administration.exists(
        QStringLiteral("SELECT 1 FROM %1 = ?").arg(catalogues.value(object.kind)), {object.name});
}

QList<SchemaComparison::Object> SchemaComparison::missing()
{
    QList<Object> found;
    for (const Object& object : std::as_const(m_objects))
        // SQLite's indexes are compared with their statements by Schema::outdatedIndexes.
        if ((m_firebird || object.kind != QLatin1String("INDEX")) && !present(object))
            found << object;
    return found;
}

QString SchemaComparison::storedText(const Object& object)
{
    if (!m_firebird) {
        const QStringList sql = m_administration.column(
            QStringLiteral("SELECT sql FROM sqlite_master WHERE type = ? AND upper(name) = ?"),
            {object.kind.toLower(), object.name});
        return sql.value(0).simplified();
    }
    static const QHash<QString, QString> sources{
        {QStringLiteral("VIEW"), QStringLiteral("RDB$VIEW_SOURCE FROM RDB$RELATIONS WHERE "
                                                "RDB$RELATION_NAME")},
        {QStringLiteral("PROCEDURE"), QStringLiteral("RDB$PROCEDURE_SOURCE FROM RDB$PROCEDURES "
                                                     "WHERE RDB$PROCEDURE_NAME")},
        {QStringLiteral("FUNCTION"), QStringLiteral("RDB$FUNCTION_SOURCE FROM RDB$FUNCTIONS WHERE "
                                                    "RDB$FUNCTION_NAME")},
        {QStringLiteral("TRIGGER"), QStringLiteral("RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS WHERE "
                                                   "RDB$TRIGGER_NAME")}};
    return m_administration
        .column(QStringLiteral("SELECT %1 = ?").arg(sources.value(object.kind)), {object.name})
        .value(0)
        .simplified();
}

QList<SchemaComparison::Object> SchemaComparison::changed()
{
    static const QSet<QString> kept{QStringLiteral("VIEW"), QStringLiteral("PROCEDURE"),
                                    QStringLiteral("FUNCTION"), QStringLiteral("TRIGGER")};
    QList<Object> found;
    for (const Object& object : std::as_const(m_objects))
        if (kept.contains(object.kind) && present(object) &&
            storedText(object) != expectedText(object, m_firebird))
            found << object;
    return found;
}

QList<SchemaComparison::Right> SchemaComparison::actualRights()
{
    QList<Right> rights;
    if (!m_firebird)
        return rights;
    QSet<QString> names;
    for (const Object& object : std::as_const(m_objects))
        names.insert(object.name);
    // Each object's owner holds every right on it.
    QHash<QString, QString> owners;
    QSqlQuery query(m_administration.database());
    query.setForwardOnly(true);
    const auto run = [&query](const QString& sql) {
        if (!query.exec(sql))
            throw EDatabaseError(FirebirdErrors::inPortuguese(query.lastError()));
    };
    run(QStringLiteral(
        "SELECT TRIM(RDB$RELATION_NAME), TRIM(RDB$OWNER_NAME) FROM RDB$RELATIONS UNION ALL "
        "SELECT TRIM(RDB$PROCEDURE_NAME), TRIM(RDB$OWNER_NAME) FROM RDB$PROCEDURES UNION ALL "
        "SELECT TRIM(RDB$FUNCTION_NAME), TRIM(RDB$OWNER_NAME) FROM RDB$FUNCTIONS UNION ALL "
        "SELECT TRIM(RDB$GENERATOR_NAME), TRIM(RDB$OWNER_NAME) FROM RDB$GENERATORS UNION ALL "
        "SELECT TRIM(RDB$EXCEPTION_NAME), TRIM(RDB$OWNER_NAME) FROM RDB$EXCEPTIONS"));
    while (query.next())
        owners.insert(query.value(0).toString(), query.value(1).toString());
    run(QStringLiteral("SELECT TRIM(RDB$USER), RDB$USER_TYPE, TRIM(RDB$PRIVILEGE), "
                       "TRIM(RDB$RELATION_NAME), RDB$OBJECT_TYPE, TRIM(RDB$FIELD_NAME) "
                       "FROM RDB$USER_PRIVILEGES WHERE RDB$PRIVILEGE <> 'M'"));
    while (query.next()) {
        const QString grantee = query.value(0).toString();
        const QString object = query.value(3).toString();
        if (!names.contains(object) || owners.value(object) == grantee ||
            grantee == QLatin1String("SYSDBA"))
            continue;
        rights << Right{
            privilegeNames().value(query.value(2).toString(), query.value(2).toString()),
            objectKind(query.value(4).toInt()),
            query.value(3).toString(),
            query.value(5).toString(),
            granteeKind(query.value(1).toInt()),
            grantee};
    }
    return rights;
}

QList<SchemaComparison::Right> SchemaComparison::missingRights()
{
    const QList<Right> actual = actualRights();
    QList<Right> found;
    if (m_firebird)
        for (const Right& right : std::as_const(m_expected))
            if (!actual.contains(right))
                found << right;
    return found;
}

QList<SchemaComparison::Right> SchemaComparison::extraRights()
{
    QList<Right> found;
    for (const Right& right : actualRights())
        if (!m_expected.contains(right))
            found << right;
    if (!m_firebird)
        return found;
    // The report role belongs to operators only.
    const QStringList strangers = m_administration.column(
        QStringLiteral("SELECT RDB$USER FROM RDB$USER_PRIVILEGES WHERE RDB$PRIVILEGE = 'M' AND "
                       "RDB$RELATION_NAME = ? AND RDB$USER NOT IN (SELECT CDOPERADOR FROM "
                       "OPERADOR)"),
        {Schema::reportRole()});
    for (const QString& user : strangers)
        found << Right{QStringLiteral("MEMBERSHIP"), QStringLiteral("ROLE"),
                       Schema::reportRole(),         QString(),
                       QStringLiteral("USER"),       user};
    return found;
}

QString SchemaComparison::describe(const Object& object)
{
    static const QHash<QString, QString> nouns{
        {QStringLiteral("TABLE"), QStringLiteral("a tabela")},
        {QStringLiteral("VIEW"), QStringLiteral("a visão")},
        {QStringLiteral("PROCEDURE"), QStringLiteral("o procedimento")},
        {QStringLiteral("FUNCTION"), QStringLiteral("a função")},
        {QStringLiteral("TRIGGER"), QStringLiteral("o gatilho")},
        {QStringLiteral("SEQUENCE"), QStringLiteral("a sequência")},
        {QStringLiteral("EXCEPTION"), QStringLiteral("a exceção")},
        {QStringLiteral("ROLE"), QStringLiteral("o papel")},
        {QStringLiteral("INDEX"), QStringLiteral("o índice")}};
    return nouns.value(object.kind) + QLatin1Char(' ') + object.name;
}

QString SchemaComparison::describe(const Right& right)
{
    static const QHash<QString, QString> grantees{
        {QStringLiteral("ROLE"), QStringLiteral("o papel")},
        {QStringLiteral("VIEW"), QStringLiteral("a visão")},
        {QStringLiteral("TRIGGER"), QStringLiteral("o gatilho")},
        {QStringLiteral("PROCEDURE"), QStringLiteral("o procedimento")},
        {QStringLiteral("FUNCTION"), QStringLiteral("a função")},
        {QStringLiteral("USER"), QStringLiteral("o usuário")}};
    if (right.privilege == QLatin1String("MEMBERSHIP"))
        return QStringLiteral("o papel %1 para o usuário %2, que não é operador")
            .arg(right.object, right.grantee);
    const QString grantee =
        right.grantee == QLatin1String("PUBLIC")
            ? QStringLiteral("PUBLIC (todos os usuários)")
            : grantees.value(right.granteeKind) + QLatin1Char(' ') + right.grantee;
    const QString object =
        right.column.isEmpty() ? right.object : right.object + QLatin1Char('.') + right.column;
    return QStringLiteral("%1 em %2 para %3").arg(right.privilege, object, grantee);
}

QString SchemaComparison::revokeOf(const Right& right)
{
    const QString grantee = right.grantee == QLatin1String("PUBLIC")
                                ? right.grantee
                                : right.granteeKind + QLatin1Char(' ') + right.grantee;
    if (right.privilege == QLatin1String("MEMBERSHIP"))
        return QStringLiteral("REVOKE %1 FROM %2").arg(right.object, grantee);
    const QString privilege = right.column.isEmpty()
                                  ? right.privilege
                                  : QStringLiteral("%1 (%2)").arg(right.privilege, right.column);
    const QString object = right.objectKind == QLatin1String("TABLE")
                               ? right.object
                               : right.objectKind + QLatin1Char(' ') + right.object;
    return QStringLiteral("REVOKE %1 ON %2 FROM %3").arg(privilege, object, grantee);
}

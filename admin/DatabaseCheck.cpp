#include "DatabaseCheck.h"

#include "Administration.h"
#include "FileCheck.h"
#include "OperatorCheck.h"
#include "SchemaComparison.h"
#include "data/Schema.h"

namespace DatabaseCheck {

namespace {

Finding ok(const QString& text)
{
    return {Finding::Level::Ok, text};
}

Finding error(const QString& text)
{
    return {Finding::Level::Error, text};
}

template <class Item, class Describe> QString listed(const QList<Item>& items, Describe describe)
{
    QStringList texts;
    for (const Item& item : items)
        texts << describe(item);
    return texts.join(QStringLiteral("; "));
}

void checkObjects(SchemaComparison& comparison, bool firebird, QList<Finding>& findings)
{
    const auto describeObject = [](const SchemaComparison::Object& object) {
        return SchemaComparison::describe(object);
    };
    const QList<SchemaComparison::Object> missing = comparison.missing();
    for (const SchemaComparison::Object& object : missing)
        findings << error(QStringLiteral("falta %1; rode klx-admin repair")
                              .arg(SchemaComparison::describe(object)));
    const QList<SchemaComparison::Object> changed = comparison.changed();
    if (!changed.isEmpty())
        findings << error(QStringLiteral("diferentes do esquema: %1; rode klx-admin repair")
                              .arg(listed(changed, describeObject)));
    if (missing.isEmpty() && changed.isEmpty())
        findings << ok(firebird ? QStringLiteral("tabelas, visão CHEQUE_OPERADOR, procedimentos, "
                                                 "gatilho e papel %1 como no esquema")
                                      .arg(Schema::reportRole())
                                : QStringLiteral("tabelas, visão CHEQUE_OPERADOR e gatilhos como "
                                                 "no esquema"));
}

void checkRights(SchemaComparison& comparison, QList<Finding>& findings)
{
    const auto describeRight = [](const SchemaComparison::Right& right) {
        return SchemaComparison::describe(right);
    };
    const QList<SchemaComparison::Right> missing = comparison.missingRights();
    const QList<SchemaComparison::Right> extra = comparison.extraRights();
    if (!missing.isEmpty())
        findings << error(QStringLiteral("faltam permissões do esquema: %1; rode klx-admin repair")
                              .arg(listed(missing, describeRight)));
    if (!extra.isEmpty())
        findings << error(
            QStringLiteral("permissões que o esquema não dá: %1; rode klx-admin repair")
                .arg(listed(extra, describeRight)));
    if (missing.isEmpty() && extra.isEmpty())
        findings << ok(QStringLiteral("permissões exatamente as do esquema: o papel %1 lê a visão "
                                      "e os cadastros e executa PARAM, CODES, INSTR e o registro "
                                      "de emissões; nada mais, a ninguém")
                           .arg(Schema::reportRole()));
}

void checkSchema(Administration& administration, QList<Finding>& findings)
{
    QSqlDatabase& db = administration.database();
    const bool firebird = Schema::isFirebird(db);
    const int version = Schema::version(db);
    if (version < Schema::currentVersion) {
        // What later versions add is missing as a matter of course: the upgrade makes it.
        findings << error(
            QStringLiteral("esquema na versão %1; rode klx-admin upgrade").arg(version));
        return;
    }
    findings << ok(QStringLiteral("esquema na versão %1").arg(version));
    SchemaComparison comparison(administration);
    checkObjects(comparison, firebird, findings);
    if (firebird) {
        checkRights(comparison, findings);
        return;
    }
    const QStringList outdated = Schema::outdatedIndexes(db);
    findings << (outdated.isEmpty()
                     ? ok(QStringLiteral("índices como no esquema"))
                     : error(QStringLiteral("índices diferentes do esquema: %1; rode klx-admin "
                                            "upgrade")
                                 .arg(outdated.join(QStringLiteral(", ")))));
}

} // namespace

QList<Finding> run(Administration& administration, const QStringList& files)
{
    QList<Finding> findings;
    administration.open();
    checkSchema(administration, findings);
    if (Schema::version(administration.database()) >= Schema::currentVersion)
        OperatorCheck::run(administration, findings);
    FileCheck::run(administration, files, findings);
    return findings;
}

} // namespace DatabaseCheck

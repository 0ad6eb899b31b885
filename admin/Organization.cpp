#include "Organization.h"

#include "AdminOptions.h"
#include "Administration.h"
#include "FieldRules.h"

#include <QSqlQuery>

namespace {

QString codeOf(const QString& text, int width, const QString& what)
{
    const auto code = FieldRules::code(text, width);
    if (!code)
        throw EBadCommandLine(QStringLiteral("código de %1 inválido '%2': %3 algarismos (ou "
                                             "letras e algarismos)")
                                  .arg(what, text)
                                  .arg(width));
    return *code;
}

QString nameOf(const QString& text, int maxLength, const QString& what)
{
    const auto name = FieldRules::text(text, maxLength);
    if (!name || name->isEmpty())
        throw EBadCommandLine(
            QStringLiteral("nome de %1 inválido: de 1 a %2 caracteres").arg(what).arg(maxLength));
    return *name;
}

} // namespace

Organization::Organization(Administration& administration) : m_administration(administration) {}

void Organization::updateOne(const QString& sql, const QVariantList& values, const QString& missing)
{
    m_administration.inTransaction([&] {
        QSqlQuery query(m_administration.database());
        query.prepare(sql);
        for (qsizetype i = 0; i < values.size(); ++i)
            query.bindValue(int(i), values.at(i));
        if (!query.exec())
            throw EDatabaseError(FirebirdErrors::inPortuguese(query.lastError()));
        if (query.numRowsAffected() != 1)
            throw Exception(missing);
    });
}

QString Organization::addCompany(const QString& given, const QString& givenName)
{
    const QString code = codeOf(given, 2, QStringLiteral("empresa"));
    const QString name = nameOf(givenName, 40, QStringLiteral("empresa"));
    m_administration.requireCurrentVersion();
    if (m_administration.companies().contains(code))
        throw Exception(QStringLiteral("a empresa %1 já está cadastrada").arg(code));
    m_administration.inTransaction([&] {
        m_administration.exec(
            QStringLiteral("INSERT INTO EMPRESA (CDEMPRESA, NMEMPRESA) VALUES (?, ?)"),
            {code, name});
    });
    const QStringList seeing = m_administration.column(
        QStringLiteral("SELECT CDOPERADOR FROM OPEREMPR WHERE CDEMPRESA = ? ORDER BY 1"), {code});
    return QStringLiteral("empresa %1 cadastrada; %2")
        .arg(code, seeing.isEmpty()
                       ? QStringLiteral("nenhum operador a vê ainda: klx-admin operator add "
                                        "NOME --companies ...,%1")
                             .arg(code)
                       : QStringLiteral("veem-na os operadores de todas as empresas: %1")
                             .arg(seeing.join(QStringLiteral(", "))));
}

QString Organization::renameCompany(const QString& given, const QString& givenName)
{
    const QString code = codeOf(given, 2, QStringLiteral("empresa"));
    const QString name = nameOf(givenName, 40, QStringLiteral("empresa"));
    m_administration.requireCurrentVersion();
    updateOne(QStringLiteral("UPDATE EMPRESA SET NMEMPRESA = ? WHERE CDEMPRESA = ?"), {name, code},
              QStringLiteral("a empresa %1 não está cadastrada").arg(code));
    return QStringLiteral("empresa %1 agora se chama \"%2\"").arg(code, name);
}

QString Organization::addBranch(const QString& given, const QString& givenName,
                                const QDate& processing)
{
    const QString code = codeOf(given, 2, QStringLiteral("filial"));
    const QString name = nameOf(givenName, 40, QStringLiteral("filial"));
    m_administration.requireCurrentVersion();
    if (m_administration.exists(QStringLiteral("SELECT 1 FROM FILIAL WHERE CDFILIAL = ?"), {code}))
        throw Exception(QStringLiteral("a filial %1 já está cadastrada").arg(code));
    m_administration.inTransaction([&] {
        m_administration.exec(
            QStringLiteral("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROC) VALUES (?, ?, ?)"),
            {code, name,
             m_administration.firebird() ? QVariant(processing)
                                         : QVariant(processing.toString(Qt::ISODate))});
    });
    return QStringLiteral("filial %1 cadastrada, com data de processamento %2")
        .arg(code, processing.toString(QStringLiteral("dd/MM/yyyy")));
}

QString Organization::renameBranch(const QString& given, const QString& givenName)
{
    const QString code = codeOf(given, 2, QStringLiteral("filial"));
    const QString name = nameOf(givenName, 40, QStringLiteral("filial"));
    m_administration.requireCurrentVersion();
    updateOne(QStringLiteral("UPDATE FILIAL SET NMFILIAL = ? WHERE CDFILIAL = ?"), {name, code},
              QStringLiteral("a filial %1 não está cadastrada").arg(code));
    return QStringLiteral("filial %1 agora se chama \"%2\"").arg(code, name);
}

QString Organization::setProcessingDate(const QString& given, const QDate& processing)
{
    const QString code = codeOf(given, 2, QStringLiteral("filial"));
    m_administration.requireCurrentVersion();
    updateOne(QStringLiteral("UPDATE FILIAL SET DTPROC = ? WHERE CDFILIAL = ?"),
              {m_administration.firebird() ? QVariant(processing)
                                           : QVariant(processing.toString(Qt::ISODate)),
               code},
              QStringLiteral("a filial %1 não está cadastrada").arg(code));
    return QStringLiteral("filial %1: data de processamento %2")
        .arg(code, processing.toString(QStringLiteral("dd/MM/yyyy")));
}

#pragma once

#include <QDate>
#include <QString>

class Administration;

// The companies and branches of a database, for an office without the wider application:
// companies (EMPRESA) and branches (FILIAL) added and renamed, a branch's processing date set.
// A new company is seen at once by the operators of every company.
class Organization {
public:
    explicit Organization(Administration& administration);

    QString addCompany(const QString& code, const QString& name);
    QString renameCompany(const QString& code, const QString& name);
    QString addBranch(const QString& code, const QString& name, const QDate& processing);
    QString renameBranch(const QString& code, const QString& name);
    QString setProcessingDate(const QString& code, const QDate& processing);

private:
    // Runs an UPDATE of one row by its code; raises an Exception naming it when there is none.
    void updateOne(const QString& sql, const QVariantList& values, const QString& missing);

    Administration& m_administration;
};

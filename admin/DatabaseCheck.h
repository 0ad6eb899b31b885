#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Administration;

// What klx-admin check finds: the schema version, the CODES procedure, the operator's view
// and its rights on CHEQUE, the report role and exactly its rights (no CHEQUE, no write, no
// sequence), every operator holding the role, nothing granted to PUBLIC on CHEQUE; and the
// files: the database file's owner and mode, configuration files holding a password and
// password files that others may read.
namespace DatabaseCheck {

struct Finding {
    bool ok;
    QString text;
};

// The findings for the open database and the files (besides the configuration files the
// program reads).
QList<Finding> run(Administration& administration, const QString& databasePath,
                   const QStringList& files);

} // namespace DatabaseCheck

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Administration;

// What klx-admin check finds: the schema version; the objects, texts and rights of the schema
// (SchemaComparison), nothing more and nothing less; whether each operator can log in (its
// server login present and active, the report role granted) and sees what it should (an
// operator of every company sees each one); the companies no operator sees; and the files: the
// database file's owner and mode, a local file that a server of this machine would not open,
// configuration files holding a password and password files that others may read. Each
// finding that is wrong names the command that fixes it.
namespace DatabaseCheck {

struct Finding {
    enum class Level { Ok, Warning, Error };
    Level level;
    QString text;
};

// The findings for the open database and the files (besides the configuration files the
// program reads).
QList<Finding> run(Administration& administration, const QStringList& files);

} // namespace DatabaseCheck

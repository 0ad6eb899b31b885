#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The names of picked codes, for what the screen shows of a pick: a company's name, an
// account's description and company. Read from the database each time, so a list that outlived
// its screen is named too; a database that does not answer leaves the codes without names.
namespace PickedNames {

struct Account {
    QString description;
    QString company; // as stored
};

// By code as stored, for the codes given.
QHash<QString, QString> companies(const QStringList& codes);
QHash<QString, Account> accounts(const QStringList& codes);

} // namespace PickedNames

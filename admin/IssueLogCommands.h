#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

class Administration;

// klx-admin log and verify: the record of the reports issued, read as the database's owner.
namespace IssueLogCommands {

// One line per issue (number, time, operator, report, output, rows, pages, digest), its
// totals and criteria on the lines below; from the day given on, of one operator when named.
QStringList log(Administration& administration, const std::optional<QDate>& since,
                const QString& operatorCode);

struct Verdict {
    bool unchanged = false;
    QString text;
};
// Which issue the file is, by its SHA-256, and whether it is unchanged: a file whose digest
// no completed issue holds is changed or was not issued from this database; when it names
// its issue ("Emissão nº N" in its text) that issue is named.
Verdict verify(Administration& administration, const QString& file);

} // namespace IssueLogCommands

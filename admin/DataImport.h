#pragma once

#include "ImportRows.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class Administration;

// klx-admin import: an office's companies, banks, branches, accounts and checks from CSV files
// (ImportRows), all in one transaction: the files in the order their rows refer to one another,
// whatever order they are given in; every line validated and written; a line the rules or the
// database refuse (a repeated key) is named with its file, line and reason, and then nothing
// is written. A dry run does the same and writes nothing either.
class DataImport {
public:
    // Told how far a large file is, every few seconds.
    using Progress = std::function<void(const QString&)>;

    DataImport(Administration& administration, Progress progress);

    struct Result {
        QStringList done;     // per file: what it held
        QStringList rejected; // "cheques.csv:17: valor inválido '1,2,3'", the first 1000
        qint64 rejectedCount = 0;
        bool written = false;
    };
    Result run(const QStringList& files, bool dryRun);

private:
    struct File;
    std::vector<File> readHeaders(const QStringList& paths);
    void importFile(File& file, Result& result);

    Administration& m_administration;
    Progress m_progress;
    // The codes later rows may refer to: the database's and those imported so far.
    ImportRows::Known m_known;
};

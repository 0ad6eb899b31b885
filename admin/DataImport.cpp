#include "DataImport.h"

#include "AdminOptions.h"
#include "Administration.h"
#include "CsvReader.h"
#include "ImportRows.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <memory>

namespace {

constexpr int listedRejections = 1000;
constexpr int progressEveryMs = 2000;

bool repeatedKey(const QSqlError& error)
{
    const QString text = error.databaseText();
    return text.contains(QLatin1String("UNIQUE constraint failed")) ||
           text.contains(QLatin1String("PRIMARY or UNIQUE KEY"));
}

ImportRows::Known knownOf(Administration& administration)
{
    ImportRows::Known known;
    for (const QString& code : administration.companies())
        known.companies.insert(code);
    for (const QString& code : administration.column(QStringLiteral("SELECT CDBANCO FROM BANCO")))
        known.banks.insert(code);
    QSqlQuery query(administration.database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT CDREDUCONT, CDEMPRESA FROM CONTCORR")))
        throw EDatabaseError(FirebirdErrors::inPortuguese(query.lastError()));
    while (query.next())
        known.accountCompany.insert(query.value(0).toString().trimmed(),
                                    query.value(1).toString().trimmed());
    return known;
}

} // namespace

struct DataImport::File {
    QString path;
    std::unique_ptr<QFile> device;
    std::unique_ptr<CsvReader> reader;
    ImportRows::Layout layout;
};

DataImport::DataImport(Administration& administration, Progress progress)
    : m_administration(administration), m_progress(std::move(progress))
{
}

std::vector<DataImport::File> DataImport::readHeaders(const QStringList& paths)
{
    std::vector<File> files;
    for (const QString& path : paths) {
        File file{path, std::make_unique<QFile>(path), nullptr, {}};
        if (!QFileInfo(path).isFile() || !file.device->open(QIODevice::ReadOnly))
            throw EBadCommandLine(QStringLiteral("não foi possível ler '%1': %2")
                                      .arg(path, QFileInfo(path).isFile()
                                                     ? file.device->errorString()
                                                     : QStringLiteral("não é um arquivo")));
        file.reader = std::make_unique<CsvReader>(*file.device);
        CsvReader::Record header;
        try {
            if (!file.reader->next(header))
                throw Exception(QStringLiteral("arquivo vazio"));
            file.layout = ImportRows::layoutOf(header.fields);
        } catch (const Exception& e) {
            throw Exception(QStringLiteral("%1: %2").arg(path, e.Message()));
        }
        files.push_back(std::move(file));
    }
    std::stable_sort(files.begin(), files.end(),
                     [](const File& a, const File& b) { return a.layout.kind < b.layout.kind; });
    return files;
}

DataImport::Result DataImport::run(const QStringList& paths, bool dryRun)
{
    if (paths.isEmpty())
        throw EBadCommandLine(QStringLiteral("informe os arquivos CSV a importar"));
    m_administration.requireCurrentVersion();
    std::vector<File> files = readHeaders(paths);
    Result result;
    QSqlDatabase& db = m_administration.database();
    if (!db.transaction())
        throw EDatabaseError(FirebirdErrors::inPortuguese(db.lastError()));
    try {
        m_known = knownOf(m_administration);
        for (File& file : files)
            importFile(file, result);
        if (dryRun || result.rejectedCount > 0) {
            db.rollback();
        } else if (!db.commit()) {
            throw EDatabaseError(FirebirdErrors::inPortuguese(db.lastError()));
        } else {
            result.written = true;
        }
    } catch (...) {
        db.rollback();
        throw;
    }
    return result;
}

void DataImport::importFile(File& file, Result& result)
{
    const bool firebird = m_administration.firebird();
    const ImportRows::Kind kind = file.layout.kind;
    QSqlQuery insert(m_administration.database());
    if (!insert.prepare(ImportRows::insertStatement(kind)))
        throw EDatabaseError(FirebirdErrors::inPortuguese(insert.lastError()));
    const QString name = QFileInfo(file.path).fileName();
    const qint64 size = std::max<qint64>(1, file.device->size());
    const auto reject = [&](int line, const QString& reason) {
        if (++result.rejectedCount <= listedRejections)
            result.rejected << QStringLiteral("%1:%2: %3").arg(file.path).arg(line).arg(reason);
    };
    QElapsedTimer clock;
    clock.start();
    qint64 rows = 0;
    const qint64 rejectedBefore = result.rejectedCount;
    CsvReader::Record record;
    while (true) {
        try {
            if (!file.reader->next(record))
                break;
        } catch (const Exception& e) {
            reject(record.line, e.Message());
            break;
        }
        if (record.fields.join(QString()).trimmed().isEmpty())
            continue;
        QVariantList values;
        try {
            values = ImportRows::valuesOf(file.layout, record.fields, m_known, firebird);
        } catch (const Exception& e) {
            reject(record.line, e.Message());
            continue;
        }
        for (qsizetype i = 0; i < values.size(); ++i)
            insert.bindValue(int(i), values.at(i));
        if (!insert.exec()) {
            reject(record.line, repeatedKey(insert.lastError())
                                    ? QStringLiteral("%1 repetido: já está no banco ou numa "
                                                     "linha anterior")
                                          .arg(ImportRows::keyOf(kind, values))
                                    : FirebirdErrors::inPortuguese(insert.lastError()));
            continue;
        }
        ImportRows::remember(kind, values, m_known);
        ++rows;
        if (m_progress && clock.elapsed() >= progressEveryMs) {
            m_progress(QStringLiteral("%1: %2 linhas lidas (%3%)")
                           .arg(name)
                           .arg(record.line)
                           .arg(file.reader->position() * 100 / size));
            clock.restart();
        }
    }
    QString done = QStringLiteral("%1: %2").arg(file.path, ImportRows::counted(kind, rows));
    if (const qint64 refused = result.rejectedCount - rejectedBefore; refused > 0)
        done += QStringLiteral(", %1 linhas recusadas").arg(refused);
    if (!file.layout.ignored.isEmpty())
        done += QStringLiteral(" (colunas ignoradas: %1)")
                    .arg(file.layout.ignored.join(QStringLiteral(", ")));
    result.done << done;
}

#pragma once

// What the benchmarks share: printing, timing, generated data sets, the emission range that
// holds a number of checks, a report's query by itself, and klx report runs timed from outside.

#include "base/Exceptions.h"
#include "report/engine/ReportDefinition.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace Bench {

inline void print(const QString& text)
{
    std::printf("%s\n", qUtf8Printable(text));
    std::fflush(stdout);
}

// A figure the Brazilian way: 1.234,5.
inline QString figure(double value, int decimals = 2)
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(value, 'f', decimals);
}

inline QString ratio(double numerator, double denominator)
{
    return figure(numerator / denominator) + QStringLiteral("×");
}

// The value below which the share of the sorted values lies (0.5: the median).
inline double percentile(QList<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const auto at = static_cast<qsizetype>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values.at(std::clamp<qsizetype>(at, 0, values.size() - 1));
}

// Seconds of the fastest of the runs of the work.
inline double fastest(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        best = std::min(best, static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    return best;
}

// A program built beside this one.
inline QString sibling(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

// The data set klx-gendata writes at the path, made once: it is kept for later runs.
inline void generateOnce(const QString& path, const QString& engine, int checks,
                         const QStringList& more = {})
{
    if (QFileInfo::exists(path))
        return;
    print(QStringLiteral("Gerando %1 com klx-gendata --db %2 (%3 cheques)…")
              .arg(path, engine, figure(checks, 0)));
    QProcess gendata;
    gendata.setProcessChannelMode(QProcess::ForwardedChannels);
    gendata.start(sibling(QStringLiteral("klx-gendata")),
                  QStringList{QStringLiteral("--db"), engine, QStringLiteral("--checks"),
                              QString::number(checks)} +
                      more + QStringList{path});
    if (!gendata.waitForFinished(-1) || gendata.exitCode() != 0)
        throw Exception(QStringLiteral("klx-gendata falhou para %1").arg(path));
}

// The first emission dates that together hold at least the rows, read from the table (an
// operator reads the checks through the view CHEQUE_OPERADOR).
inline std::pair<QDate, QDate> emissionRangeHolding(const QSqlDatabase& db, int rows,
                                                    const QString& table = QStringLiteral("CHEQUE"))
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT DTEMISSAO, COUNT(*) FROM %1 GROUP BY DTEMISSAO "
                                   "ORDER BY DTEMISSAO")
                        .arg(table)))
        throw Exception(query.lastError().text());
    std::pair<QDate, QDate> range;
    int held = 0;
    while (query.next() && held < rows) {
        const QDate day = QDate::fromString(query.value(0).toString().left(10), Qt::ISODate);
        if (!range.first.isValid())
            range.first = day;
        range.second = day;
        held += query.value(1).toInt();
    }
    if (held < rows)
        throw Exception(QStringLiteral("o banco tem menos de %1 cheques").arg(rows));
    return range;
}

// The accounts' codes, in order.
inline QStringList accountCodes(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT CDREDUCONT FROM CONTCORR ORDER BY CDREDUCONT")))
        throw Exception(query.lastError().text());
    QStringList codes;
    while (query.next())
        codes << query.value(0).toString();
    return codes;
}

// The report's query by itself, every value of every row read as the engine reads it; the
// values by parameter name in capitals.
inline int queryAlone(const QSqlDatabase& db, const QString& sql,
                      const QHash<QString, QVariant>& values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!query.prepare(sql))
        throw Exception(query.lastError().text());
    for (const QString& name : ReportDefinition::declaredParameters(sql))
        query.bindValue(QLatin1Char(':') + name, values.value(name.toUpper()));
    if (!query.exec())
        throw Exception(query.lastError().text());
    int rows = 0;
    const int columns = query.record().count();
    while (query.next()) {
        for (int c = 0; c < columns; ++c)
            query.value(c);
        ++rows;
    }
    if (query.lastError().isValid())
        throw Exception(query.lastError().text());
    return rows;
}

// Starts klx report with the arguments, headless and away from the user's settings (they
// go to settingsDir); its messages go to standard error.
inline void startKlxReport(QProcess& klx, const QStringList& args, const QString& settingsDir)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), settingsDir + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), settingsDir + QStringLiteral("/data"));
    environment.insert(QStringLiteral("KLX_SYSTEM_CONFIG"), settingsDir + QStringLiteral("/none"));
    klx.setProcessEnvironment(environment);
    klx.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    klx.setStandardOutputFile(QProcess::nullDevice());
    klx.start(sibling(QStringLiteral("klx")), QStringList{QStringLiteral("report")} + args);
}

inline bool succeeded(const QProcess& klx)
{
    return klx.exitStatus() == QProcess::NormalExit && klx.exitCode() == 0;
}

// klx report run to its end; true when it wrote its file.
inline bool klxReport(const QStringList& args, const QString& settingsDir)
{
    QProcess klx;
    startKlxReport(klx, args, settingsDir);
    return klx.waitForFinished(-1) && succeeded(klx);
}

} // namespace Bench

// Each report's rows and totals against the same checks picked independently, in C++, from
// the demo data; the Firebird texts against the SQLite ones; the queries cannot change data.

#include "FirebirdServer.h"
#include "ProgramRun.h"
#include "ReportTestSupport.h"
#include "base/Exceptions.h"
#include "data/Dbgeral.h"
#include "report/engine/ReportFormat.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <algorithm>
#include <atomic>

using namespace ReportTest;

namespace {

struct Check {
    QString account, number, company, status;
    QDate emission, clearing;
    qint64 cents = 0;
};

QList<Check> allChecks(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!query.exec(QStringLiteral("SELECT CDREDUCONT, NRCHEQUE, CDEMPRESA, IDSTATUS, DTEMISSAO, "
                                   "DTCOMPENSACAO, VLCHEQUE FROM CHEQUE")))
        qFatal("%s", qPrintable(query.lastError().text()));
    QList<Check> checks;
    while (query.next()) {
        const auto date = [&](int i) {
            return QDate::fromString(query.value(i).toString().left(10), Qt::ISODate);
        };
        checks.append({query.value(0).toString().trimmed(), query.value(1).toString().trimmed(),
                       query.value(2).toString().trimmed(), query.value(3).toString().trimmed(),
                       date(4), date(5), *ReportFormat::centsOf(query.value(6))});
    }
    return checks;
}

// The companies each operator may use (OPEREMPR).
QHash<QString, QStringList> operatorCompanies(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT CDOPERADOR, CDEMPRESA FROM OPEREMPR")))
        qFatal("%s", qPrintable(query.lastError().text()));
    QHash<QString, QStringList> companies;
    while (query.next())
        companies[query.value(0).toString()] << query.value(1).toString();
    return companies;
}

// What a report keeps, by the rules the screen's criteria mean, of the checks of the
// companies the operator may use.
bool kept(int report, const Check& c, const Criteria& k, const QStringList& operatorCompanies)
{
    const auto inList = [](const QString& list, const QString& code) {
        return Dbgeral::codesOf(list).contains(code);
    };
    if (!operatorCompanies.contains(c.company))
        return false;
    if (!k.companies.isEmpty() && !inList(k.companies, c.company))
        return false;
    if (!k.accounts.isEmpty() && !inList(k.accounts, c.account))
        return false;
    if (!k.chequeFrom.isEmpty() && (c.number < k.chequeFrom || c.number > k.chequeTo))
        return false;
    if (report == 4)
        return true;
    const QDate from = DateTime::toDate(k.emissionFrom.value_or(0));
    const QDate to = DateTime::toDate(k.emissionTo.value_or(0));
    if ((from.isValid() && c.emission < from) || (to.isValid() && c.emission > to))
        return false;
    if (report != 2 && k.states && !k.states->isEmpty() &&
        !k.states->contains(QLatin1Char('_') + c.status))
        return false;
    // Outstanding: issued and not cleared.
    const bool outstanding = c.status == QLatin1String("1") && !c.clearing.isValid();
    if (report == 2 && ((k.reconciliation == 1 && !c.clearing.isValid()) ||
                        (k.reconciliation == 2 && !outstanding)))
        return false;
    if (report == 3)
        return outstanding;
    const QDate clearFrom = DateTime::toDate(k.clearingFrom);
    const QDate clearTo = DateTime::toDate(k.clearingTo);
    if (clearFrom.isValid() && clearTo.isValid() &&
        (!c.clearing.isValid() || c.clearing < clearFrom || c.clearing > clearTo))
        return false;
    return true;
}

// The age band order of the uncleared-checks report, at the demo's processing date.
int band(const Check& c)
{
    const qint64 days = c.emission.daysTo(QDate(2026, 3, 15));
    return days < 0 ? 5 : days <= 30 ? 1 : days <= 60 ? 2 : days <= 90 ? 3 : 4;
}

// The section of the reconciliation report: cleared, outstanding, cancelled, available.
qint64 section(const Check& c)
{
    if (c.clearing.isValid())
        return 0;
    return c.status == QLatin1String("1") ? 1 : c.status == QLatin1String("2") ? 2 : 3;
}

// What the closing lines of a set of checks say: the count, the amount of the issued ones,
// and each state present with its count and amount.
struct Closing {
    qint64 count = 0;
    qint64 issued = 0;
    QString states;
};

Closing closingOf(const QList<Check>& checks)
{
    Closing closing;
    QMap<QString, QPair<qint64, qint64>> byState;
    for (const Check& c : checks) {
        ++closing.count;
        if (c.status == QLatin1String("1"))
            closing.issued += c.cents;
        byState[c.status].first += 1;
        byState[c.status].second += c.cents;
    }
    QStringList parts;
    for (const auto& [code, label, amount] :
         {std::tuple{"1", "Emitidos", true}, std::tuple{"2", "Cancelados", true},
          std::tuple{"0", "Disponíveis", false}}) {
        if (!byState.contains(QLatin1String(code)))
            continue;
        const auto [count, cents] = byState.value(QLatin1String(code));
        parts << QStringLiteral("%1: %2").arg(QString::fromUtf8(label),
                                              ReportFormat::integer(count)) +
                     (amount ? QStringLiteral(" — ") + ReportFormat::money(cents) : QString());
    }
    closing.states = parts.join(QStringLiteral("; "));
    return closing;
}

QString countLabel(qint64 count)
{
    return QStringLiteral("%1 %2").arg(ReportFormat::integer(count),
                                       count == 1 ? QStringLiteral("cheque")
                                                  : QStringLiteral("cheques"));
}

// The total of the document whose label starts so, or nullptr.
const WholeReport::Total* totalNamed(const WholeReport& document, const QString& label)
{
    for (const WholeReport::Total& total : document.totals)
        if (total.label.startsWith(label + QStringLiteral(" — ")))
            return &total;
    return nullptr;
}

// The expected rows of a report, in its order.
QList<Check> expected(int report, const QList<Check>& checks, const Criteria& criteria,
                      const QStringList& operatorCompanies)
{
    QList<Check> rows;
    for (const Check& c : checks)
        if (kept(report, c, criteria, operatorCompanies))
            rows << c;
    std::sort(rows.begin(), rows.end(), [report](const Check& a, const Check& b) {
        const auto key = [report](const Check& c) {
            switch (report) {
            case 0:
                return std::make_tuple(0, c.account, c.emission.toJulianDay(), c.number, QString());
            case 1:
                return std::make_tuple(0, c.account, qint64(0), c.number, QString());
            case 2:
                return std::make_tuple(
                    0, c.account,
                    section(c) * 1000000000 +
                        (c.clearing.isValid() ? c.clearing : c.emission).toJulianDay(),
                    c.number, QString());
            default:
                return std::make_tuple(band(c), QString(), -c.emission.daysTo(QDate(2026, 3, 15)),
                                       c.account, c.number);
            }
        };
        return key(a) < key(b);
    });
    return rows;
}

QStringList keysOf(const QList<Check>& checks)
{
    QStringList keys;
    for (const Check& c : checks)
        keys << c.account + QLatin1Char('/') + c.number;
    return keys;
}

QStringList keysOf(const WholeReport& document)
{
    QStringList keys;
    for (const QStringList& row : document.rows)
        keys << row.at(0) + QLatin1Char('/') + row.at(1);
    return keys;
}

QStringList subtotalLabels(const WholeReport& document)
{
    QStringList labels;
    for (const WholeReport::Total& total : document.totals)
        labels << total.label;
    return labels;
}

QString grandTotal(const WholeReport& document)
{
    return document.totals.last().cells.last();
}

QStringList textsOf(const WholeReport& document)
{
    QStringList lines;
    for (const QStringList& row : document.rows)
        lines << row.join(QLatin1Char('|'));
    for (const WholeReport::Total& total : document.totals)
        lines << total.label + QLatin1Char('|') + total.cells.join(QLatin1Char('|'));
    return lines;
}

void runSql(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
}

int checkCount(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    query.exec(QStringLiteral("SELECT COUNT(*) FROM CHEQUE"));
    query.next();
    return query.value(0).toInt();
}

} // namespace

class TestReportQueries : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_sqlite = openSqlite(m_dir.filePath(QStringLiteral("demo.sqlite")));
        m_checks = allChecks(m_sqlite->database());
        QVERIFY(m_checks.size() > 50);
        m_operatorCompanies = operatorCompanies(m_sqlite->database());
    }

    void listedInOrder()
    {
        ReportCatalog::setDirectory(sourceReports());
        QStringList titles;
        for (const ReportCatalog::Entry& report : ReportCatalog::load(QStringLiteral("KLX473")))
            titles << report.title();
        QCOMPARE(titles, QStringList({QStringLiteral("Relação de cheques por emissão"),
                                      QStringLiteral("Relação de cheques por número"),
                                      QStringLiteral("Conciliação de cheques"),
                                      QStringLiteral("Cheques não compensados por idade"),
                                      QStringLiteral("Auditoria de talonários")}));
    }

    void rowsMatchTheCriteria_data()
    {
        QTest::addColumn<int>("report");
        QTest::addColumn<int>("criteriaIndex");
        for (int report = 0; report <= 3; ++report)
            for (int i = 0; i < criteriaCases().size(); ++i)
                QTest::addRow("%d %s", report, criteriaCases().at(i).first) << report << i;
    }

    void rowsMatchTheCriteria()
    {
        QFETCH(int, report);
        QFETCH(int, criteriaIndex);
        const Criteria criteria = criteriaCases().at(criteriaIndex).second;
        const WholeReport document = run(definition(report), criteria, *m_sqlite);
        const QList<Check> rows = expectedRows(report, criteria);
        QCOMPARE(keysOf(document), keysOf(rows));
        // The grand total adds the issued checks only; every state present is counted apart.
        const Closing all = closingOf(rows);
        QCOMPARE(document.totals.last().label,
                 QStringLiteral("Total geral — ") + countLabel(all.count));
        QCOMPARE(grandTotal(document), ReportFormat::money(all.issued));
        QCOMPARE(document.totals.last().states, all.states);
        // So does each account's total, or each age band's.
        QMap<QString, QList<Check>> groups;
        for (const Check& c : rows)
            groups[report == 3 ? QString::number(band(c)) : c.account] << c;
        static const QStringList bands{{},
                                       "Até 30 dias",
                                       "De 31 a 60 dias",
                                       "De 61 a 90 dias",
                                       "Mais de 90 dias",
                                       "Pré-datados (emissão após o processamento)"};
        for (auto it = groups.cbegin(); it != groups.cend(); ++it) {
            const QString label = report == 3
                                      ? QStringLiteral("Total — ") + bands.at(it.key().toInt())
                                      : QStringLiteral("Total da conta ") + it.key();
            const WholeReport::Total* total = totalNamed(document, label);
            QVERIFY2(total, qPrintable(label));
            const Closing closing = closingOf(it.value());
            QCOMPARE(total->label, label + QStringLiteral(" — ") + countLabel(closing.count));
            QCOMPARE(total->cells.last(), ReportFormat::money(closing.issued));
            QCOMPARE(total->states, closing.states);
        }
    }

    void criteriaGiveDifferentRows()
    {
        // Guards the table above: each case must select something, but not everything.
        for (int report = 0; report <= 2; ++report) {
            QSet<QString> seen;
            for (const auto& [name, criteria] : criteriaCases())
                seen << keysOf(expectedRows(report, criteria)).join(QLatin1Char(' '));
            QVERIFY(seen.size() >= criteriaCases().size() - 2);
        }
        QVERIFY(expectedRows(2, criteriaCases().at(8).second).isEmpty());
    }

    void subtotalsAddUpToTheGrandTotal()
    {
        Criteria all;
        all.emissionFrom = all.emissionTo = std::nullopt;
        const WholeReport document = run(definition(0), all, *m_sqlite);
        qint64 accounts = 0;
        for (const WholeReport::Total& total : document.totals)
            if (total.label.startsWith(QStringLiteral("Total da conta")))
                accounts += *ReportFormat::centsOf(QString(total.cells.last()).remove('.'));
        QCOMPARE(ReportFormat::money(accounts), grandTotal(document));
        QVERIFY(document.headings.first().startsWith(
            QStringLiteral("Conta 001 — Movimento Aurora — Empresa 01 Comercial Horizonte")));
        // A date's subtotal is headed neutrally: the date may hold blank leaves.
        const auto dated = std::find_if(
            document.totals.begin(), document.totals.end(), [](const WholeReport::Total& t) {
                return t.label.startsWith(QStringLiteral("Cheques de 13/02/2026 — "));
            });
        QVERIFY(dated != document.totals.end());
        QVERIFY(dated->states.contains(QStringLiteral("Disponíveis: 1")));
    }

    void reconciliationListsCancelledApart()
    {
        Criteria all;
        all.emissionFrom = all.emissionTo = std::nullopt;
        const WholeReport document = run(definition(2), all, *m_sqlite);
        const int status = static_cast<int>(document.labels.indexOf(QStringLiteral("Status")));
        const int situation = static_cast<int>(document.labels.size());
        QCOMPARE(document.exportLabels, QStringList{QStringLiteral("Situação")});
        for (const QStringList& row : document.rows) {
            const QString state = row.at(status);
            const bool cleared = !row.at(3).isEmpty();
            QCOMPARE(row.at(situation),
                     cleared                               ? QStringLiteral("Compensados")
                     : state == QLatin1String("Emitido")   ? QStringLiteral("Não compensados")
                     : state == QLatin1String("Cancelado") ? QStringLiteral("Cancelados")
                                                           : QStringLiteral("Disponíveis"));
        }
        // Account 002's outstanding checks are its issued, uncleared ones.
        QList<Check> outstanding;
        for (const Check& c : m_checks)
            if (c.account == QLatin1String("002") && c.status == QLatin1String("1") &&
                !c.clearing.isValid())
                outstanding << c;
        QVERIFY(!outstanding.isEmpty());
        const auto subtotals = subtotalLabels(document);
        int at = static_cast<int>(
            subtotals.indexOf(QRegularExpression(QStringLiteral("Total da conta 002 .*"))));
        do {
            --at;
        } while (at >= 0 &&
                 !subtotals.at(at).startsWith(QStringLiteral("Total de Não compensados")));
        QVERIFY(at >= 0);
        const WholeReport::Total& total = document.totals.at(at);
        QCOMPARE(total.cells.last(), ReportFormat::money(closingOf(outstanding).issued));
        QCOMPARE(total.states, closingOf(outstanding).states);
        QVERIFY(document.headings.contains(QStringLiteral("Cancelados")));

        // "Não compensado": only outstanding checks, each account a single section, which is
        // not totalled a second time above its account's total.
        Criteria pending = all;
        pending.reconciliation = 2;
        const WholeReport outstandingOnly = run(definition(2), pending, *m_sqlite);
        QVERIFY(outstandingOnly.rows.size() > 5);
        for (const QStringList& row : outstandingOnly.rows)
            QCOMPARE(row.at(status), QStringLiteral("Emitido"));
        for (const QString& label : subtotalLabels(outstandingOnly))
            QVERIFY2(!label.startsWith(QStringLiteral("Total de")), qPrintable(label));
    }

    void auditCoversAllDatesAndSaysSo()
    {
        Criteria march;
        march.emissionFrom = day(2026, 3, 1);
        march.emissionTo = day(2026, 3, 31);
        Criteria all;
        all.emissionFrom = all.emissionTo = std::nullopt;
        const WholeReport document = run(definition(4), march, *m_sqlite);
        QCOMPARE(textsOf(document), textsOf(run(definition(4), all, *m_sqlite)));
        QVERIFY(document.subtitleLines.join(QLatin1Char(' '))
                    .startsWith(QStringLiteral("Todas as datas de emissão")));
    }

    void ageBandsCountFromTheProcessingDate()
    {
        Criteria all;
        all.emissionFrom = all.emissionTo = std::nullopt;
        const WholeReport document = run(definition(3), all, *m_sqlite);
        const int days = 3;
        const int account = document.labels.indexOf(QStringLiteral("Dias"));
        QCOMPARE(account, days);
        for (const QStringList& row : document.rows) {
            const auto it = std::find_if(m_checks.begin(), m_checks.end(), [&](const Check& c) {
                return c.account == row.at(0) && c.number == row.at(1);
            });
            QCOMPARE(row.at(days).toLongLong(), it->emission.daysTo(QDate(2026, 3, 15)));
        }
        QVERIFY(document.headings.contains(QStringLiteral("Até 30 dias")));
        QVERIFY(document.headings.contains(
            QStringLiteral("Pré-datados (emissão após o processamento)")));
    }

    void auditFindsGapsRepeatsAndBadNumbers()
    {
        const QString path = m_dir.filePath(QStringLiteral("audit.sqlite"));
        auto module = openSqlite(path);
        prepareAuditData(module->database());
        Criteria criteria;
        criteria.accounts = QStringLiteral("001,002");
        const WholeReport document = run(definition(4), criteria, *module);
        QCOMPARE(textsOf(document), auditExpectation());
    }

    // A check whose account is missing from CONTCORR has no company on the audit's line; it
    // belongs to no other company, so the run goes on and lists it.
    void auditListsAnAccountMissingFromItsTable()
    {
        auto module = openSqlite(m_dir.filePath(QStringLiteral("orphan.sqlite")));
        runSql(module->database(),
               QStringLiteral("INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE, CDEMPRESA, DTEMISSAO, "
                              "VLCHEQUE, IDSTATUS) VALUES ('999', '999101', '01', '2026-03-01', "
                              "10, '1')"));
        const QStringList lines = textsOf(run(definition(4), Criteria(), *module));
        QVERIFY2(lines.contains(QStringLiteral("999|Sequência|999101|999101|1||")),
                 qPrintable(lines.join(QLatin1Char('\n'))));
    }

    // "Todas" binds an empty list: the operator's companies (OPEREMPR) still bound every
    // report, on both engines, and only their names head the pages.
    void reportsShowOnlyTheOperatorsCompanies_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("operatorCode");
        QTest::addColumn<QString>("companies");
        for (const char* target : targets) {
            QTest::addRow("%s ADM", target)
                << target << "ADM"
                << "Comercial Horizonte Ltda; Distribuidora Serra Azul S.A.; Indústria Vale Verde "
                   "Ltda";
            QTest::addRow("%s OPER", target) << target << "OPER"
                                             << "Distribuidora Serra Azul S.A.";
            QTest::addRow("%s CONSULTA", target) << target << "CONSULTA"
                                                 << "";
        }
    }

    void reportsShowOnlyTheOperatorsCompanies()
    {
        QFETCH(QString, target);
        QFETCH(QString, operatorCode);
        QFETCH(QString, companies);
        TdtmDBGeral* db = database(target);
        if (!db)
            QSKIP(qPrintable(m_unavailable.value(target)));
        Criteria all;
        all.emissionFrom = all.emissionTo = std::nullopt;
        all.operatorCode = operatorCode;
        for (int report = 0; report <= 3; ++report) {
            const WholeReport document = run(definition(report), all, *db);
            QCOMPARE(keysOf(document), keysOf(expectedRows(report, all)));
            QCOMPARE(document.header.companies, companies);
        }
        // The audit lists each account of the operator's companies.
        QSet<QString> accounts;
        for (const Check& c : expectedRows(4, all))
            accounts << c.account;
        QSet<QString> audited;
        for (const QStringList& row : run(definition(4), all, *db).rows)
            audited << row.at(0);
        QCOMPARE(audited, accounts);
    }

    // 10,000 picked accounts (a list of 40,000 characters, beyond any VARCHAR of Firebird) give
    // the rows of "Todas"; leaving one account out leaves out its checks.
    void tenThousandPickedAccounts_data()
    {
        QTest::addColumn<QString>("target");
        for (const char* target : targets)
            QTest::newRow(target) << target;
    }

    void tenThousandPickedAccounts()
    {
        QFETCH(QString, target);
        TdtmDBGeral* db = database(target);
        if (!db)
            QSKIP(qPrintable(m_unavailable.value(target)));
        static const QString digits = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        QStringList codes;
        for (int n = 1; n <= 10000; ++n)
            codes << QString(digits.at(n / 1296)) + digits.at(n / 36 % 36) + digits.at(n % 36);
        Criteria picked;
        picked.emissionFrom = picked.emissionTo = std::nullopt;
        Criteria all = picked;
        picked.accounts = Dbgeral::codeList(codes);
        QVERIFY(picked.accounts.size() > 32765);
        for (int report : {1, 4})
            QCOMPARE(textsOf(run(definition(report), picked, *db)),
                     textsOf(run(definition(report), all, *db)));
        codes.removeOne(QStringLiteral("003"));
        picked.accounts = Dbgeral::codeList(codes);
        const WholeReport document = run(definition(1), picked, *db);
        QCOMPARE(keysOf(document), keysOf(expectedRows(1, picked)));
        QVERIFY(!keysOf(document).join(QLatin1Char(' ')).contains(QStringLiteral("003/")));
    }

    // The Firebird texts, on the embedded engine and over TCP on a server.
    void firebirdGivesTheSameReports_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("report");
        QTest::addColumn<int>("criteriaIndex");
        for (const char* target : {firebirdTarget, serverTarget})
            for (int report = 0; report <= 3; ++report)
                for (int i : {0, 1, 3, 4, 6, 7, 8, 9, 10})
                    QTest::addRow("%s %d %s", target, report, criteriaCases().at(i).first)
                        << target << report << i;
    }

    void firebirdGivesTheSameReports()
    {
        QFETCH(QString, target);
        QFETCH(int, report);
        QFETCH(int, criteriaIndex);
        TdtmDBGeral* db = database(target);
        if (!db)
            QSKIP(qPrintable(m_unavailable.value(target)));
        const Criteria criteria = criteriaCases().at(criteriaIndex).second;
        const WholeReport lite = run(definition(report), criteria, *m_sqlite);
        const WholeReport fb = run(definition(report), criteria, *db);
        QCOMPARE(textsOf(fb), textsOf(lite));
        QCOMPARE(fb.headings, lite.headings);
        QCOMPARE(fb.header.companies, lite.header.companies);
    }

    void firebirdAudit()
    {
        if (!firebird())
            QSKIP("The Qt Firebird driver (QIBASE, libqt6sql6-ibase) is not installed.");
        QTemporaryDir dir;
        auto fb = openFirebird(dir);
        {
            // The operator may only read: the data goes in as the database's owner.
            TdtmDBGeral owner;
            DatabaseConfig config = fb->config();
            config.administrator = true;
            owner.open(config);
            prepareAuditData(owner.database());
        }
        Criteria criteria;
        criteria.accounts = QStringLiteral("001,002");
        QCOMPARE(textsOf(run(definition(4), criteria, *fb)), auditExpectation());
    }

    void editedQueriesCannotChangeData_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("delete") << "DELETE FROM CHEQUE";
        QTest::newRow("two statements") << "SELECT 1 AS A FROM CHEQUE; DELETE FROM CHEQUE";
        QTest::newRow("with delete") << "WITH X AS (SELECT 1 AS A) DELETE FROM CHEQUE";
        QTest::newRow("pragma") << "PRAGMA query_only = OFF";
        // No rollback takes back a sequence a SELECT advanced.
        QTest::newRow("GEN_ID") << "SELECT GEN_ID(SEQ_CHEQUE, 1000) AS A FROM CHEQUE";
        QTest::newRow("NEXT VALUE FOR") << "SELECT NEXT VALUE FOR SEQ_CHEQUE AS A FROM CHEQUE";
    }

    void editedQueriesCannotChangeData()
    {
        QFETCH(QString, sql);
        const int before = checkCount(m_sqlite->database());
        ReportDefinition report = ReportDefinition::parse(
            QStringLiteral("title: Editado\nsql:\n  ") + sql + QLatin1Char('\n'),
            QStringLiteral("editado.rpt"));
        QVERIFY_THROWS_EXCEPTION(Exception, run(report, Criteria(), *m_sqlite));
        QCOMPARE(checkCount(m_sqlite->database()), before);
        if (firebird()) {
            const int fbBefore = checkCount(firebird()->database());
            QVERIFY_THROWS_EXCEPTION(Exception, run(report, Criteria(), *firebird()));
            QCOMPARE(checkCount(firebird()->database()), fbBefore);
        }
    }

    // SQLite's authorizer on the report's connection: what a definition may read and call.
    // An empty refusal: the query runs; else the refusal names what it may not use.
    void sqliteSandbox_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("refusal");
        const QString cheque = QStringLiteral("a tabela CHEQUE fora da visão CHEQUE_OPERADOR");
        QTest::newRow("view") << "SELECT NRCHEQUE FROM CHEQUE_OPERADOR X"
                              << "";
        QTest::newRow("view in a CTE")
            << "WITH X AS (SELECT * FROM CHEQUE_OPERADOR) SELECT COUNT(*) AS N FROM X"
            << "";
        QTest::newRow("view joined") << "SELECT C.NRCHEQUE, E.NMEMPRESA FROM CHEQUE_OPERADOR C "
                                        "JOIN EMPRESA E ON E.CDEMPRESA = C.CDEMPRESA"
                                     << "";
        QTest::newRow("table functions") << "SELECT CODE, PARAM FROM CODES('01,02'), PARAM('x')"
                                         << "";
        QTest::newRow("recursive CTE") << "WITH RECURSIVE S(X) AS (SELECT 1 UNION ALL SELECT X + 1 "
                                          "FROM S WHERE X < 10) SELECT COUNT(*) AS N FROM S"
                                       << "";
        QTest::newRow("allowed functions")
            << "SELECT printf('%05d', 7) AS A, CHARINDEX('b', 'abc') AS B, instr('abc', 'c') AS C, "
               "KLX_OPERADOR() AS D, julianday('2026-01-01') AS E, COALESCE(NULL, 1) AS F"
            << "";
        QTest::newRow("CHEQUE") << "SELECT NRCHEQUE FROM CHEQUE" << cheque;
        QTest::newRow("CHEQUE counted") << "SELECT COUNT(*) AS N FROM CHEQUE" << cheque;
        QTest::newRow("CHEQUE in a CTE")
            << "WITH X AS (SELECT * FROM CHEQUE) SELECT NRCHEQUE FROM X" << cheque;
        QTest::newRow("CHEQUE beside the view")
            << "SELECT (SELECT COUNT(*) FROM CHEQUE) AS N FROM CHEQUE_OPERADOR" << cheque;
        const QString imitation = QStringLiteral("um nome que imita a visão CHEQUE_OPERADOR");
        for (const char* name : {"CHEQUE_OPERADOR", "cheque_operador", "\"CHEQUE_OPERADOR\"",
                                 "[cheque_operador]", "`CHEQUE_OPERADOR`", "'CHEQUE_OPERADOR'"})
            QTest::addRow("CTE named %s", name)
                << QStringLiteral("WITH %1 AS (SELECT * FROM CHEQUE) SELECT NRCHEQUE, CDEMPRESA "
                                  "FROM CHEQUE_OPERADOR")
                       .arg(QLatin1String(name))
                << imitation;
        QTest::newRow("CTE named as the view, materialized")
            << "WITH CHEQUE_OPERADOR AS MATERIALIZED (SELECT * FROM CHEQUE) SELECT NRCHEQUE "
               "FROM CHEQUE_OPERADOR"
            << imitation;
        QTest::newRow("CTE named as the view, with columns")
            << "WITH CHEQUE_OPERADOR(N) AS (SELECT NRCHEQUE FROM CHEQUE) SELECT N FROM "
               "CHEQUE_OPERADOR"
            << imitation;
        QTest::newRow("sqlite_master") << "SELECT name FROM sqlite_master"
                                       << "a tabela sqlite_master";
        QTest::newRow("sqlite_schema") << "SELECT sql FROM sqlite_schema"
                                       << "a tabela sqlite_master";
        QTest::newRow("schema counted") << "SELECT COUNT(*) AS N FROM sqlite_master"
                                        << "a tabela sqlite_master";
        QTest::newRow("pragma table") << "SELECT name FROM pragma_database_list"
                                      << "as tabelas internas do SQLite";
        QTest::newRow("pragma table with argument")
            << "SELECT name FROM pragma_table_info('CHEQUE')"
            << "as tabelas internas do SQLite";
        // Each function the allow-list leaves out, called by a definition.
        for (const char* call :
             {"fts3_tokenizer('simple')", "load_extension('/tmp/x')", "sqlite_version()",
              "sqlite_source_id()", "sqlite_compileoption_used('THREADSAFE')",
              "sqlite_compileoption_get(0)", "zeroblob(10)", "randomblob(10)", "random()",
              "json('{}')", "changes()", "last_insert_rowid()", "total_changes()"}) {
            const QString text = QString::fromLatin1(call);
            QTest::addRow("%s", call)
                << QStringLiteral("SELECT %1 AS A").arg(text)
                << QStringLiteral("a função %1").arg(text.left(text.indexOf(QLatin1Char('('))));
        }
        QTest::newRow("denied function inside a CTE")
            << "WITH X AS (SELECT fts3_tokenizer('simple') AS T) SELECT T FROM X"
            << "a função fts3_tokenizer";
    }

    void sqliteSandbox()
    {
        QFETCH(QString, sql);
        QFETCH(QString, refusal);
        const ReportDefinition report = ReportDefinition::parse(
            QStringLiteral("title: Editado\nsql:\n  ") + sql + QLatin1Char('\n'),
            QStringLiteral("editado.rpt"));
        try {
            const WholeReport document = run(report, Criteria(), *m_sqlite);
            QVERIFY2(refusal.isEmpty(), "the query ran");
        } catch (const Exception& e) {
            QVERIFY2(!refusal.isEmpty(), qPrintable(e.Message()));
            QVERIFY2(
                e.Message().startsWith(
                    QStringLiteral("Editado: a consulta do relatório não pode usar ") + refusal),
                qPrintable(e.Message()));
        }
    }

    // Edited definitions run as operator OPER (company 02) on databases made by klx-gendata
    // alone, on each engine: whatever the text does with the columns, it reads OPER's checks or
    // nothing. SQLite's authorizer and the Firebird server's grants refuse any way to CHEQUE
    // but the view; a CTE named as the view reads CHEQUE, and is refused too.
    void editedDefinitionsAsOperator_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("refused");
        const QList<std::pair<const char*, const char*>> edits{
            {"CHEQUE", "SELECT C.NRCHEQUE, C.CDEMPRESA FROM CHEQUE C"},
            {"company renamed", "SELECT C.NRCHEQUE, C.CDEMPRESA AS EMP FROM CHEQUE C"},
            {"company faked",
             "SELECT C.NRCHEQUE, '02' AS CDEMPRESA, C.CDEMPRESA AS EMP FROM CHEQUE C"},
            {"company null",
             "SELECT C.NRCHEQUE, NULL AS CDEMPRESA, C.CDEMPRESA AS EMP FROM CHEQUE C"},
            {"counted", "SELECT COUNT(*) AS N FROM CHEQUE"},
            {"in a CTE", "WITH X AS (SELECT CDEMPRESA AS EMP FROM CHEQUE) SELECT EMP FROM X"},
            {"in a subquery", "SELECT EMP FROM (SELECT CDEMPRESA AS EMP FROM CHEQUE) Y"},
            {"CTE named as the view",
             "WITH CHEQUE_OPERADOR AS (SELECT * FROM CHEQUE) SELECT CDEMPRESA AS EMP FROM "
             "CHEQUE_OPERADOR"}};
        for (const char* target : targets) {
            for (const auto& [name, sql] : edits)
                QTest::addRow("%s %s", target, name) << target << sql << true;
            QTest::addRow("%s view, company renamed", target)
                << target << "SELECT NRCHEQUE, CDEMPRESA AS EMP FROM CHEQUE_OPERADOR" << false;
        }
    }

    void editedDefinitionsAsOperator()
    {
        QFETCH(QString, target);
        QFETCH(QString, sql);
        QFETCH(bool, refused);
        TdtmDBGeral* db = generatedAsOperator(target);
        if (!db)
            QSKIP(qPrintable(m_unavailable.value(target)));
        const ReportDefinition report = ReportDefinition::parse(
            QStringLiteral("title: Editado\nsql:\n  ") + sql + QLatin1Char('\n'),
            QStringLiteral("editado.rpt"));
        Criteria criteria;
        criteria.operatorCode = QStringLiteral("OPER");
        try {
            const WholeReport document = run(report, criteria, *db);
            QVERIFY2(!refused, "the edited query ran");
            // Without columns every field prints, EMP last.
            QSet<QString> companies;
            for (const QStringList& row : document.rows)
                companies << row.last().trimmed();
            QCOMPARE(companies, QSet<QString>{QStringLiteral("02")});
        } catch (const ELoginRefused& e) {
            QVERIFY2(refused, qPrintable(e.Message()));
            QVERIFY2(e.Message().startsWith(
                         target == QLatin1String(sqliteTarget)
                             ? QStringLiteral("Editado: a consulta do relatório não pode usar ")
                             : QStringLiteral("Editado: o servidor recusou a leitura de CHEQUE ao "
                                              "operador OPER")),
                     qPrintable(e.Message()));
        }
    }

    // A query that runs past the time allowed is interrupted and named, on both engines;
    // an endless one too.
    void timeLimitStopsTheQuery_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("sql");
        QTest::newRow("SQLite")
            << sqliteTarget
            << "WITH RECURSIVE S(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM S) "
               "SELECT COUNT(*) AS N FROM S";
        for (const char* target : {firebirdTarget, serverTarget})
            QTest::newRow(target) << target << QString::fromLatin1(longFirebirdQuery);
    }

    void timeLimitStopsTheQuery()
    {
        QFETCH(QString, target);
        QFETCH(QString, sql);
        TdtmDBGeral* db = database(target);
        if (!db)
            QSKIP(qPrintable(m_unavailable.value(target)));
        const ReportDefinition report = ReportDefinition::parse(
            QStringLiteral("title: Sem fim\nsql:\n  ") + sql + QLatin1Char('\n'),
            QStringLiteral("sem-fim.rpt"));
        ReportJob::Request request = requestFor(report, Criteria(), *db);
        request.source.timeLimitSeconds = 1;
        try {
            run(request);
            QFAIL("the query ended by itself");
        } catch (const Exception& e) {
            QVERIFY2(e.Message().startsWith(QStringLiteral(
                         "Sem fim: a consulta do relatório passou do tempo permitido (1 s)")),
                     qPrintable(e.Message()));
        }
    }

    // Cancel interrupts a query inside the engine's own call (sqlite3_interrupt,
    // fb_cancel_operation): a query that would run for hours ends as cancelled.
    void cancelInterruptsTheQuery_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("sql");
        QTest::newRow("SQLite")
            << sqliteTarget
            << "WITH RECURSIVE S(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM S) "
               "SELECT COUNT(*) AS N FROM S";
        for (const char* target : {firebirdTarget, serverTarget})
            QTest::newRow(target) << target << QString::fromLatin1(longFirebirdQuery);
    }

    void cancelInterruptsTheQuery()
    {
        QFETCH(QString, target);
        QFETCH(QString, sql);
        TdtmDBGeral* db = database(target);
        if (!db)
            QSKIP(qPrintable(m_unavailable.value(target)));
        const ReportDefinition report = ReportDefinition::parse(
            QStringLiteral("title: Longo\nsql:\n  ") + sql + QLatin1Char('\n'),
            QStringLiteral("longo.rpt"));
        const ReportJob::Request request = requestFor(report, Criteria(), *db);
        // Cancel is pressed once the query runs.
        class CancelledWhileRunning : public ReportProgress {
        public:
            bool isCancelled() const override { return m_running.load(); }
            void report(Stage stage, int, int) override
            {
                if (stage == Stage::Query)
                    m_running = true;
            }

        private:
            std::atomic_bool m_running{false};
        } progress;
        QVERIFY_THROWS_EXCEPTION(ReportProgress::Cancelled, ReportJob::runHere(request, progress));
    }

    void commentsInTheSqlAreDropped()
    {
        const ReportDefinition report = ReportDefinition::parse(
            QStringLiteral("title: Comentado\ncolumn: NRCHEQUE\nsql:\n"
                           "  -- :P_NAO_EXISTE in a comment\n"
                           "  SELECT NRCHEQUE /* :P_OUTRO */ FROM CHEQUE_OPERADOR\n"
                           "  WHERE NRCHEQUE = :P_NRCHEQUEINI AND '--' <> ':x'\n"),
            QStringLiteral("comentado.rpt"));
        QCOMPARE(
            ReportDefinition::declaredParameters(report.sqlFor(DatabaseConfig::Engine::Sqlite)),
            QStringList{QStringLiteral("P_NRCHEQUEINI")});
        Criteria criteria;
        criteria.chequeFrom = criteria.chequeTo = QStringLiteral("001101");
        QCOMPARE(run(report, criteria, *m_sqlite).rows,
                 QVector<QStringList>{QStringList{QStringLiteral("001101")}});
    }

private:
    static const QList<QPair<const char*, Criteria>>& criteriaCases()
    {
        static const QList<QPair<const char*, Criteria>> cases = [] {
            QList<QPair<const char*, Criteria>> list;
            Criteria wide;
            wide.emissionFrom = day(2026, 1, 1);
            wide.emissionTo = day(2026, 3, 31);
            list.append({"defaults", Criteria()});
            Criteria companies = wide;
            companies.companies = QStringLiteral("01,03");
            list.append({"companies picked", companies});
            Criteria account = wide;
            account.accounts = QStringLiteral("003");
            list.append({"one account", account});
            Criteria numbers = wide;
            numbers.chequeFrom = QStringLiteral("001103");
            numbers.chequeTo = QStringLiteral("003110");
            list.append({"check number range", numbers});
            Criteria available;
            available.states = QStringLiteral("_0");
            available.emissionFrom = available.emissionTo = 0;
            list.append({"only available, date 0", available});
            Criteria february = wide;
            february.emissionFrom = day(2026, 2, 1);
            february.emissionTo = day(2026, 2, 28);
            february.states = QStringLiteral("_1_2");
            list.append({"issued and cancelled in February", february});
            Criteria notCleared = wide;
            notCleared.reconciliation = 2;
            notCleared.states = QStringLiteral("_1");
            list.append({"not cleared", notCleared});
            Criteria cleared = wide;
            cleared.reconciliation = 1;
            cleared.clearingFrom = day(2026, 2, 1);
            cleared.clearingTo = day(2026, 2, 28);
            list.append({"cleared in February", cleared});
            Criteria inverted = wide;
            inverted.clearingFrom = day(2026, 2, 20);
            inverted.clearingTo = day(2026, 2, 10);
            list.append({"inverted clearing range", inverted});
            Criteria unassigned;
            unassigned.emissionFrom = unassigned.emissionTo = std::nullopt;
            unassigned.states = std::nullopt;
            list.append({"dates and states unassigned", unassigned});
            // Lists that name their separator first, as a list does when a code holds a comma.
            Criteria marked = wide;
            marked.companies = QStringLiteral("|01|03");
            marked.accounts = QStringLiteral(";001;002;005");
            list.append({"lists with their own separator", marked});
            return list;
        }();
        return cases;
    }

    // Account 001 loses 001105, 001106 and 001110 and gains "1101" (a second 001101) and
    // "A0001"; account 002 gains "2110", a second 002110, its last number.
    static void prepareAuditData(const QSqlDatabase& db)
    {
        runSql(db, QStringLiteral("DELETE FROM CHEQUE WHERE CDREDUCONT = '001' AND NRCHEQUE IN "
                                  "('001105', '001106', '001110')"));
        for (const auto& [account, number] :
             {std::pair{"001", "1101"}, {"001", "A0001"}, {"002", "2110"}})
            runSql(db, QStringLiteral("INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE, CDEMPRESA, "
                                      "DTEMISSAO, VLCHEQUE, IDSTATUS) VALUES ('%1', '%2', '01', "
                                      "'2026-03-01', 10, '1')")
                           .arg(QLatin1String(account), QLatin1String(number)));
    }

    static QStringList auditExpectation()
    {
        return {QStringLiteral("001|Sequência|001101|001114|12||"),
                QStringLiteral("001|Número repetido|001101|001101|||1"),
                QStringLiteral("001|Números faltando|001105|001106||2|"),
                QStringLiteral("001|Números faltando|001110|001110||1|"),
                QStringLiteral("001|Número inválido|A0001||||"),
                QStringLiteral("002|Sequência|002101|002110|11||"),
                QStringLiteral("002|Número repetido|002110|002110|||1"),
                QStringLiteral("Total da conta 001|||||12|3|1"),
                QStringLiteral("Total da conta 002|||||11|0|1"),
                QStringLiteral("Total geral|||||23|3|2")};
    }

    QList<Check> expectedRows(int report, const Criteria& criteria) const
    {
        return expected(report, m_checks, criteria,
                        m_operatorCompanies.value(criteria.operatorCode));
    }

    TdtmDBGeral* firebird()
    {
        if (!m_firebirdTried) {
            m_firebirdTried = true;
            m_firebird = openFirebird(m_dir);
        }
        return m_firebird.get();
    }

    static constexpr const char* sqliteTarget = "SQLite";
    static constexpr const char* firebirdTarget = "Firebird";
    static constexpr const char* serverTarget = "Firebird server";
    static constexpr const char* targets[] = {sqliteTarget, firebirdTarget, serverTarget};
    // A Firebird query that counts for hours: four system tables crossed.
    static constexpr const char* longFirebirdQuery =
        "SELECT COUNT(*) AS N FROM RDB$FIELDS A, RDB$FIELDS B, RDB$FIELDS C, RDB$FIELDS D";

    // The demo database of a target; nullptr, with the reason in m_unavailable, when the
    // target cannot be had here.
    TdtmDBGeral* database(const QString& target)
    {
        if (target == QLatin1String(sqliteTarget))
            return m_sqlite.get();
        if (!firebird()) {
            m_unavailable.insert(target, QStringLiteral("The Qt Firebird driver (QIBASE, "
                                                        "libqt6sql6-ibase) is not installed."));
            return nullptr;
        }
        if (target == QLatin1String(firebirdTarget))
            return firebird();
        if (!m_serverTried) {
            m_serverTried = true;
            const QString reason = FirebirdServer::unavailable();
            if (reason.isEmpty())
                m_server = FirebirdServer::openDemo(m_dir, QStringLiteral("server-demo.fdb"),
                                                    QStringLiteral("ADM"));
            else
                m_unavailable.insert(target, reason);
        }
        return m_server.get();
    }

    // A database of the target made by klx-gendata alone, opened as operator OPER; nullptr,
    // with the reason in m_unavailable, when the target cannot be had here.
    TdtmDBGeral* generatedAsOperator(const QString& target)
    {
        if (m_generated.contains(target))
            return m_generated.value(target).get();
        std::shared_ptr<TdtmDBGeral>& module = m_generated[target];
        if (target != QLatin1String(sqliteTarget) && !database(target))
            return nullptr;
        const bool sqlite = target == QLatin1String(sqliteTarget);
        const QString file = m_dir.filePath(
            QStringLiteral("gerado-%1.%2").arg(m_generated.size()).arg(sqlite ? "sqlite" : "fdb"));
        const ProgramRun::Result made =
            ProgramRun::run(QStringLiteral("klx-gendata"),
                            {"--db", sqlite ? "sqlite" : "firebird", "--checks", "3000",
                             "--companies", "4", "--accounts", "40", "--seed", "17", file});
        if (made.code != 0) {
            m_unavailable.insert(target, made.err);
            return nullptr;
        }
        DatabaseConfig config;
        config.engine = sqlite ? DatabaseConfig::Engine::Sqlite : DatabaseConfig::Engine::Firebird;
        config.path = target == QLatin1String(serverTarget) ? FirebirdServer::pathOn(file) : file;
        config.user = QStringLiteral("OPER");
        if (target == QLatin1String(serverTarget))
            config.password = FirebirdServer::passwordOf(config.user);
        module = std::make_shared<TdtmDBGeral>();
        module->open(config);
        return module.get();
    }

    QTemporaryDir m_dir;
    QHash<QString, std::shared_ptr<TdtmDBGeral>> m_generated;
    std::unique_ptr<TdtmDBGeral> m_sqlite;
    std::unique_ptr<TdtmDBGeral> m_firebird;
    bool m_firebirdTried = false;
    std::unique_ptr<TdtmDBGeral> m_server;
    bool m_serverTried = false;
    QHash<QString, QString> m_unavailable;
    QList<Check> m_checks;
    QHash<QString, QStringList> m_operatorCompanies;
};

QTEST_MAIN(TestReportQueries)
#include "tst_report_queries.moc"

// Each report's rows and totals against the same checks picked independently, in C++, from
// the demo data; the Firebird texts against the SQLite ones; the queries cannot change data.

#include "FirebirdServer.h"
#include "ProgramRun.h"
#include "ReportTestSupport.h"
#include "base/Exceptions.h"
#include "data/Dbgeral.h"
#include "report/engine/ReportFormat.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QtTest>
#include <algorithm>
#include <atomic>

using namespace ReportTest;

namespace {

// A check as the database keeps it, read with plain SQL, and what its fields mean.
struct Check {
    // The account, the company and the state trimmed; the number as a report shows it (a
    // fixed-width column's padding dropped).
    QString account, number, company, status;
    // The calendar day; invalid when there is none (NULL, blank).
    QDate emission, clearing;
    std::optional<qint64> cents;
    // The number, when the text is one.
    std::optional<qint64> numeric;
    // The company of the account; none when the account is missing from CONTCORR.
    std::optional<QString> accountCompany;

    bool cleared() const { return clearing.isValid(); }
    bool outstanding() const { return status == QLatin1String("1") && !cleared(); }
    QString key() const { return account + QLatin1Char('/') + number; }
};

QDate dayOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    return QDate::fromString(value.toString().trimmed().left(10), Qt::ISODate);
}

QString withoutPadding(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

QList<Check> allChecks(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!query.exec(QStringLiteral("SELECT C.CDREDUCONT, C.NRCHEQUE, C.CDEMPRESA, C.IDSTATUS, "
                                   "C.DTEMISSAO, C.DTCOMPENSACAO, C.VLCHEQUE, CC.CDREDUCONT, "
                                   "CC.CDEMPRESA FROM CHEQUE C "
                                   "LEFT JOIN CONTCORR CC ON CC.CDREDUCONT = C.CDREDUCONT")))
        qFatal("%s", qPrintable(query.lastError().text()));
    QList<Check> checks;
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    while (query.next()) {
        Check c{query.value(0).toString().trimmed(),
                withoutPadding(query.value(1).toString()),
                query.value(2).toString().trimmed(),
                query.value(3).toString().trimmed(),
                dayOf(query.value(4)),
                dayOf(query.value(5)),
                {},
                {},
                {}};
        if (!query.value(6).isNull())
            c.cents = qRound64(query.value(6).toString().toDouble() * 100);
        const QString number = query.value(1).toString().trimmed();
        if (digits.match(number).hasMatch())
            c.numeric = number.toLongLong();
        if (!query.value(7).isNull())
            c.accountCompany = query.value(8).toString().trimmed();
        checks.append(c);
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

// The date report 5 takes the outstanding checks on: the final clearing date given, else the
// demo's processing date.
QDate asOf(const Criteria& k)
{
    return k.clearingFrom != 0 && k.clearingTo != 0 ? DateTime::toDate(k.clearingTo)
                                                    : QDate(2026, 3, 15);
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
    // A number range compares numbers; a text that is no number is in no range.
    if (!k.chequeFrom.isEmpty() &&
        (!c.numeric || *c.numeric < k.chequeFrom.trimmed().toLongLong() ||
         *c.numeric > k.chequeTo.trimmed().toLongLong()))
        return false;
    if (report == 5)
        return c.status == QLatin1String("1") && (!c.emission.isValid() || c.emission <= asOf(k)) &&
               (!c.cleared() || c.clearing > asOf(k));
    const QDate from = DateTime::toDate(k.emissionFrom.value_or(0));
    const QDate to = DateTime::toDate(k.emissionTo.value_or(0));
    const bool inPeriod = (!from.isValid() && !to.isValid()) ||
                          (c.emission.isValid() && (!from.isValid() || c.emission >= from) &&
                           (!to.isValid() || c.emission <= to));
    // An outstanding check without an emission date is in every outstanding view.
    const bool undatedOutstanding =
        (report == 2 || report == 3) && c.outstanding() && !c.emission.isValid();
    if (!inPeriod && !undatedOutstanding)
        return false;
    if (report != 2 && k.states && !k.states->isEmpty() &&
        !(*k.states + QLatin1Char('_')).contains(QLatin1Char('_') + c.status + QLatin1Char('_')))
        return false;
    if (report == 2 &&
        ((k.reconciliation == 1 && !c.cleared()) || (k.reconciliation == 2 && !c.outstanding())))
        return false;
    if (report == 3)
        return c.outstanding();
    const QDate clearFrom = DateTime::toDate(k.clearingFrom);
    const QDate clearTo = DateTime::toDate(k.clearingTo);
    if (clearFrom.isValid() && clearTo.isValid() &&
        (!c.cleared() || c.clearing < clearFrom || c.clearing > clearTo))
        return false;
    return true;
}

// The age band order of the uncleared-checks report, at the demo's processing date.
int band(const Check& c)
{
    if (!c.emission.isValid())
        return 7;
    const qint64 days = c.emission.daysTo(QDate(2026, 3, 15));
    return days < 0 ? 6 : days <= 30 ? 1 : days <= 60 ? 2 : days <= 90 ? 3 : days <= 180 ? 4 : 5;
}

const QStringList& bandLabels()
{
    static const QStringList labels{{},
                                    "Até 30 dias",
                                    "De 31 a 60 dias",
                                    "De 61 a 90 dias",
                                    "De 91 a 180 dias",
                                    "Mais de 180 dias",
                                    "Pré-datados (emissão após o processamento)",
                                    "Sem data de emissão"};
    return labels;
}

// The section of the reconciliation report: issued and cleared, outstanding, cancelled,
// available (whether cleared or not), any other state.
qint64 section(const Check& c)
{
    if (c.status == QLatin1String("2"))
        return 2;
    if (c.status == QLatin1String("0"))
        return 3;
    if (c.status == QLatin1String("1"))
        return c.cleared() ? 0 : 1;
    return 4;
}

// What is wrong with a check, as an auditor must see it; empty when nothing is.
QString inconsistency(const Check& c)
{
    QStringList found;
    const bool issued = c.status == QLatin1String("1");
    if (issued && !c.cents)
        found << QStringLiteral("cheque emitido sem valor");
    if (issued && c.cents && *c.cents < 0)
        found << QStringLiteral("cheque emitido com valor negativo");
    if (!QStringList({"0", "1", "2"}).contains(c.status))
        found << QStringLiteral("status desconhecido: \"%1\"").arg(c.status);
    if (c.cleared() && c.emission.isValid() && c.clearing < c.emission)
        found << QStringLiteral("compensado antes da emissão");
    if (c.status == QLatin1String("2") && c.cleared())
        found << QStringLiteral("cancelado com data de compensação");
    if (c.status == QLatin1String("0") && c.cleared())
        found << QStringLiteral("disponível com data de compensação");
    if (!c.accountCompany)
        found << QStringLiteral("conta ausente do cadastro de contas");
    else if (*c.accountCompany != c.company)
        found << QStringLiteral("empresa do cheque diferente da empresa da conta (%1)")
                     .arg(*c.accountCompany);
    return found.join(QStringLiteral("; "));
}

// What the closing lines of a set of checks say: the count, the amount and the count of the
// issued ones, and each state present with its count and amount.
struct Closing {
    qint64 count = 0;
    qint64 issued = 0;
    qint64 issuedCount = 0;
    QString states;
    int statesPresent = 0;
};

Closing closingOf(const QList<Check>& checks)
{
    Closing closing;
    QMap<QString, QPair<qint64, qint64>> byState;
    QStringList others;
    for (const Check& c : checks) {
        ++closing.count;
        if (c.status == QLatin1String("1")) {
            closing.issued += c.cents.value_or(0);
            ++closing.issuedCount;
        }
        if (!byState.contains(c.status) && !QStringList({"0", "1", "2"}).contains(c.status))
            others << c.status;
        byState[c.status].first += 1;
        byState[c.status].second += c.cents.value_or(0);
    }
    QStringList parts;
    const auto part = [&](const QString& code, const QString& label, bool amount) {
        if (!byState.contains(code))
            return;
        const auto [count, cents] = byState.value(code);
        parts << QStringLiteral("%1: %2").arg(label, ReportFormat::integer(count)) +
                     (amount ? QStringLiteral(" — ") + ReportFormat::money(cents) : QString());
    };
    part(QStringLiteral("1"), QStringLiteral("Emitidos"), true);
    part(QStringLiteral("2"), QStringLiteral("Cancelados"), true);
    part(QStringLiteral("0"), QStringLiteral("Disponíveis"), false);
    for (const QString& code : std::as_const(others))
        part(code, code.isEmpty() ? QStringLiteral("Sem status") : QStringLiteral("Status ") + code,
             true);
    closing.states = parts.join(QStringLiteral("; "));
    closing.statesPresent = static_cast<int>(byState.size());
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
            case 5:
                return std::make_tuple(0, c.account, qint64(0), c.emission.toJulianDay(), c.number,
                                       QString());
            case 1:
                return std::make_tuple(0, c.account, qint64(0), qint64(0), c.number, QString());
            case 2:
                return std::make_tuple(0, c.account, section(c),
                                       (c.cleared() ? c.clearing : c.emission).toJulianDay(),
                                       c.number, QString());
            default:
                return std::make_tuple(band(c), QString(), qint64(0),
                                       -c.emission.daysTo(QDate(2026, 3, 15)), c.account, c.number);
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

// The grand total's line: the last total of its kind (a closing table may follow it).
const WholeReport::Total& grandLine(const WholeReport& document)
{
    for (auto page = document.pages.crbegin(); page != document.pages.crend(); ++page)
        for (auto line = page->lines.crbegin(); line != page->lines.crend(); ++line)
            if (line->kind == WholeReport::Line::Kind::GrandTotal)
                return document.totals.at(line->index);
    qFatal("no grand total");
}

QString grandTotal(const WholeReport& document)
{
    return grandLine(document).cells.last();
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

// The label of a group's total: an account's, or an age band's.
QString groupLabel(int report, const QString& group)
{
    if (report == 3)
        return QStringLiteral("Total — ") + bandLabels().at(group.toInt());
    if (report == 5)
        return QStringLiteral("Total a deduzir da conta ") + group;
    return QStringLiteral("Total da conta ") + group;
}

// The closing table of report 3: a line per account with its outstanding amount in each age
// band present (the bands as columns, in their order) and its total, and a line of totals.
void agreesTable(const WholeReport& document, const QList<Check>& rows)
{
    QMap<int, qint64> bandTotals;
    QMap<QString, QMap<int, qint64>> byAccount;
    for (const Check& c : rows) {
        bandTotals[band(c)] += c.cents.value_or(0);
        byAccount[c.account][band(c)] += c.cents.value_or(0);
    }
    QList<QStringList> expected;
    QStringList heading{QStringLiteral("Conta")};
    for (int b : bandTotals.keys())
        heading << bandLabels().at(b);
    heading << QStringLiteral("Total");
    if (!rows.isEmpty())
        expected << heading;
    for (auto it = byAccount.cbegin(); it != byAccount.cend(); ++it) {
        QStringList line{it.key()};
        qint64 total = 0;
        for (int b : bandTotals.keys()) {
            const qint64 cents = it.value().value(b);
            line << (it.value().contains(b) && cents != 0 ? ReportFormat::money(cents) : QString());
            total += cents;
        }
        expected << (line << ReportFormat::money(total));
    }
    if (!rows.isEmpty()) {
        QStringList line{QStringLiteral("Total")};
        qint64 total = 0;
        for (qint64 cents : bandTotals) {
            line << ReportFormat::money(cents);
            total += cents;
        }
        expected << (line << ReportFormat::money(total));
    }
    QList<QStringList> table;
    for (const WholeReport::Page& page : document.pages)
        for (const WholeReport::Line& line : page.lines)
            if (line.kind == WholeReport::Line::Kind::TableHeading ||
                line.kind == WholeReport::Line::Kind::TableRow ||
                line.kind == WholeReport::Line::Kind::TableTotal)
                table << document.totals.at(line.index).cells;
    QCOMPARE(table, expected);
}

// The report agrees with the recomputation: the same rows in the same order; a grand total
// that adds the issued checks only, every state present counted apart; each account's total
// (each age band's) the same way, a group of one state without its state line and a group
// without issued checks without an amount; the inconsistent rows listed by name.
void agrees(const WholeReport& document, int report, const QList<Check>& rows)
{
    QCOMPARE(keysOf(document), keysOf(rows));
    const Closing all = closingOf(rows);
    const QString grandLabel = report == 5 ? QStringLiteral("Total a deduzir do saldo bancário")
                                           : QStringLiteral("Total geral");
    QCOMPARE(grandLine(document).label, grandLabel + QStringLiteral(" — ") + countLabel(all.count));
    QCOMPARE(grandTotal(document), ReportFormat::money(all.issued));
    QCOMPARE(grandLine(document).states, all.states);
    QMap<QString, QList<Check>> groups;
    for (const Check& c : rows)
        groups[report == 3 ? QString::number(band(c)) : c.account] << c;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it) {
        const QString label = groupLabel(report, it.key());
        const WholeReport::Total* total = totalNamed(document, label);
        QVERIFY2(total, qPrintable(label));
        const Closing closing = closingOf(it.value());
        QCOMPARE(total->label, label + QStringLiteral(" — ") + countLabel(closing.count));
        QCOMPARE(total->cells.last(),
                 closing.issuedCount > 0 ? ReportFormat::money(closing.issued) : QString());
        QCOMPARE(total->states, closing.statesPresent > 1 ? closing.states : QString());
    }
    if (report == 3)
        agreesTable(document, rows);
    QStringList inconsistent;
    for (const Check& c : rows)
        if (!inconsistency(c).isEmpty())
            inconsistent << QStringLiteral("Conta %1, cheque %2: %3")
                                .arg(c.account, c.number, inconsistency(c));
    QStringList listed = document.notes.filter(QRegularExpression(QStringLiteral("^Conta ")));
    inconsistent.sort();
    listed.sort();
    QCOMPARE(listed, inconsistent);
    QCOMPARE(document.headings.contains(QStringLiteral("Inconsistências — %1 %2")
                                            .arg(inconsistent.size())
                                            .arg(inconsistent.size() == 1 ? "linha" : "linhas")),
             !inconsistent.isEmpty());
}

void runSql(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
}

// The checkbook audit recomputed: per account (of its company in CONTCORR, the check's when
// the account is missing), the ranges of numbers (a jump of more than 1,000 numbers starts a
// new one), the numbers missing in a range, the repeated ones, the texts that are no number
// (whatever the number range asked) and the checks of another company; as the report's lines.
QStringList expectedAudit(const QList<Check>& checks, const Criteria& k,
                          const QStringList& operatorCompanies)
{
    const auto number = [](qint64 n) {
        return QStringLiteral("%1").arg(n, 6, 10, QLatin1Char('0'));
    };
    const auto integer = [](qint64 n) { return ReportFormat::integer(n); };
    QMap<QString, QList<Check>> accounts;
    for (const Check& c : checks) {
        const QString company = c.accountCompany.value_or(c.company);
        if (!operatorCompanies.contains(company) ||
            (!k.companies.isEmpty() && !Dbgeral::codesOf(k.companies).contains(company)) ||
            (!k.accounts.isEmpty() && !Dbgeral::codesOf(k.accounts).contains(c.account)))
            continue;
        if (!k.chequeFrom.isEmpty() && c.numeric &&
            (*c.numeric < k.chequeFrom.toLongLong() || *c.numeric > k.chequeTo.toLongLong()))
            continue;
        accounts[c.account] << c;
    }
    QStringList lines;
    QStringList totals;
    qint64 grand[3] = {0, 0, 0};
    for (auto it = accounts.cbegin(); it != accounts.cend(); ++it) {
        const QString& account = it.key();
        QMap<qint64, int> times;
        QStringList invalid;
        QList<std::pair<QString, QString>> strangers; // (number key, line)
        for (const Check& c : it.value()) {
            if (c.numeric)
                ++times[*c.numeric];
            else
                invalid << (c.number.trimmed().isEmpty() ? QStringLiteral("(em branco)")
                                                         : c.number.trimmed());
            const QString company = c.accountCompany.value_or(c.company);
            if (c.company != company)
                strangers << std::pair{c.numeric ? number(*c.numeric) : QString(),
                                       QStringLiteral("%1|Cheque da empresa %2|%3||||")
                                           .arg(account, c.company, c.number.trimmed())};
        }
        // (key, order, line) of the lines after the first range, in the report's order.
        QList<std::tuple<qint64, int, QString>> ordered;
        QString first;
        qint64 counts[3] = {0, 0, 0};
        qint64 rangeStart = 0, rangeEnd = 0, rangeCount = 0, previous = 0;
        int range = -1;
        const auto closeRange = [&] {
            const QString line =
                QStringLiteral("%1|%2|%3|%4|%5||")
                    .arg(account,
                         range == 0 ? QStringLiteral("Sequência") : QStringLiteral("Nova faixa"),
                         number(rangeStart), number(rangeEnd), integer(rangeCount));
            if (range == 0)
                first = line;
            else
                ordered << std::tuple{rangeStart, 0, line};
            counts[0] += rangeCount;
        };
        for (auto n = times.cbegin(); n != times.cend(); ++n) {
            const qint64 gap = range < 0 ? 0 : n.key() - previous - 1;
            if (range < 0 || gap > 1000) {
                if (range >= 0)
                    closeRange();
                ++range;
                rangeStart = n.key();
                rangeCount = 0;
            } else if (gap > 0) {
                ordered << std::tuple{
                    previous + 1, 1,
                    QStringLiteral("%1|Números faltando|%2|%3||%4|")
                        .arg(account, number(previous + 1), number(n.key() - 1), integer(gap))};
                counts[1] += gap;
            }
            if (n.value() > 1) {
                ordered << std::tuple{n.key(), 2,
                                      QStringLiteral("%1|Número repetido|%2|%2|||%3")
                                          .arg(account, number(n.key()), integer(n.value() - 1))};
                counts[2] += n.value() - 1;
            }
            rangeEnd = n.key();
            rangeCount += n.value();
            previous = n.key();
        }
        if (range >= 0)
            closeRange();
        std::sort(ordered.begin(), ordered.end());
        if (!first.isEmpty())
            lines << first;
        for (const auto& [key, order, line] : ordered)
            lines << line;
        // A blank number first, then the texts in order.
        std::sort(invalid.begin(), invalid.end(), [](const QString& a, const QString& b) {
            const auto blank = QStringLiteral("(em branco)");
            return std::pair{a != blank, a} < std::pair{b != blank, b};
        });
        for (const QString& text : std::as_const(invalid))
            lines << QStringLiteral("%1|Número inválido|%2||1||").arg(account, text);
        counts[0] += invalid.size();
        std::sort(strangers.begin(), strangers.end());
        for (const auto& [key, line] : std::as_const(strangers))
            lines << line;
        totals << QStringLiteral("Total da conta %1|||||%2|%3|%4")
                      .arg(account, integer(counts[0]), integer(counts[1]), integer(counts[2]));
        for (int i = 0; i < 3; ++i)
            grand[i] += counts[i];
    }
    totals << QStringLiteral("Total geral|||||%1|%2|%3")
                  .arg(integer(grand[0]), integer(grand[1]), integer(grand[2]));
    return lines + totals;
}

// Checks as offices keep them, on account 003 (company 02) unless said: numbers with and
// without zeros and blanks, a stray number far past the rest, one that is no number, no
// emission date, no or a negative amount, unknown states, a cancelled check with a clearing
// date, one cleared before its emission, an account missing from CONTCORR, a company-02 check
// on a company-01 account. A SQLite file written by other programs also holds dates with a
// time of day and blank dates.
void prepareMessyData(const QSqlDatabase& db, bool sqlite)
{
    QStringList rows{
        "('003', '000030', '02', '2026-03-10', NULL, 100, 'Favorecido A', '1')",
        "('003', '30', '02', '2026-03-11', NULL, 200, 'Favorecido B', '1')",
        "('003', '  30  ', '02', '2026-03-12', NULL, 300, 'Favorecido C', '1')",
        "('003', '0001', '02', '2026-03-01', NULL, 50, 'Favorecido D', '1')",
        "('003', 'ABC', '02', '2026-03-02', NULL, 10, 'Favorecido E', '1')",
        "('003', '      ', '02', '2026-03-07', NULL, 1, 'Favorecido F', '1')",
        "('003', '000099', '02', NULL, NULL, 70, 'Sem data', '1')",
        "('003', '000100', '02', '2026-03-05', NULL, NULL, 'Sem valor', '1')",
        "('003', '000101', '02', '2026-03-05', NULL, -5, 'Negativo', '1')",
        "('003', '000102', '02', '2026-03-05', NULL, 5, 'Status X', 'X')",
        "('003', '000121', '02', '2026-03-09', NULL, 12, 'Status vazio', '')",
        "('003', '000103', '02', '2026-03-06', '2026-03-04', 15, 'Antes da emissão', '1')",
        "('003', '000104', '02', '2026-03-06', '2026-03-08', 25, 'Cancelado e compensado', '2')",
        "('003', '000120', '02', '2026-03-14', '2026-03-20', 65, 'Compensado depois', '1')",
        "('003', '000122', '02', '2026-03-08', '2026-03-12', 33, 'Compensado após o dia 10', '1')",
        "('003', '900001', '02', '2026-03-07', NULL, NULL, NULL, '0')",
        "('009', '000105', '02', '2026-03-06', NULL, 35, 'Conta ausente', '1')",
        "('001', '000106', '02', '2026-03-06', NULL, 45, 'Outra empresa', '1')"};
    if (sqlite)
        rows << "('003', '000130', '02', '2026-03-10 14:30:00', NULL, 11, 'Hora na emissão', '1')"
             << "('003', '000131', '02', '2026-03-01', '2026-03-05 09:00', 13, 'Hora na "
                "compensação', '1')"
             << "('003', '000132', '02', '2026-03-02', '', 17, 'Compensação em branco', '1')"
             << "('003', '000133', '02', '', NULL, 19, 'Emissão em branco', '1')";
    for (const QString& row : std::as_const(rows))
        runSql(db, QStringLiteral("INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE, CDEMPRESA, DTEMISSAO, "
                                  "DTCOMPENSACAO, VLCHEQUE, NMFAVORECIDO, IDSTATUS) VALUES ") +
                       row);
}

// Runs a statement that changes data: on Firebird as the database's owner, since the operator
// may only read.
void runAsOwner(const TdtmDBGeral& db, const QString& sql)
{
    if (db.config().engine != DatabaseConfig::Engine::Firebird) {
        runSql(db.database(), sql);
        return;
    }
    TdtmDBGeral owner;
    DatabaseConfig config = db.config();
    config.administrator = true;
    owner.open(config);
    runSql(owner.database(), sql);
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
                                      QStringLiteral("Auditoria de talonários"),
                                      QStringLiteral("Cheques pendentes em uma data")}));
    }

    void rowsMatchTheCriteria_data()
    {
        QTest::addColumn<int>("report");
        QTest::addColumn<int>("criteriaIndex");
        for (int report : {0, 1, 2, 3, 5})
            for (int i = 0; i < criteriaCases().size(); ++i)
                QTest::addRow("%d %s", report, criteriaCases().at(i).first) << report << i;
    }

    void rowsMatchTheCriteria()
    {
        QFETCH(int, report);
        QFETCH(int, criteriaIndex);
        const Criteria criteria = criteriaCases().at(criteriaIndex).second;
        const WholeReport document = run(definition(report), criteria, *m_sqlite);
        agrees(document, report, expectedRows(report, criteria));
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
        QCOMPARE(document.exportLabels.first(), QStringLiteral("Situação"));
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
        // Its rows are all issued: no state line repeats the total.
        QCOMPARE(total.states, QString());
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

    // The Firebird texts of every report the catalog ships, on the embedded engine and over TCP
    // on a server.
    void firebirdGivesTheSameReports_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("report");
        QTest::addColumn<int>("criteriaIndex");
        const qsizetype reports = shippedDefinitions().size();
        QVERIFY(reports > 0);
        for (const char* target : {firebirdTarget, serverTarget})
            for (int report = 0; report < reports; ++report)
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
        const ReportDefinition shipped = shippedDefinitions().at(report);
        const WholeReport lite = run(shipped, criteria, *m_sqlite);
        const WholeReport fb = run(shipped, criteria, *db);
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

    // Data as offices keep it: every report agrees with the recomputation, on both engines.
    void messyDataAgreesWithARecomputation_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("report");
        QTest::addColumn<int>("criteriaIndex");
        for (const char* target : {sqliteTarget, firebirdTarget})
            for (int report : {0, 1, 2, 3, 5})
                for (int i = 0; i < messyCases().size(); ++i)
                    QTest::addRow("%s %d %s", target, report, messyCases().at(i).first)
                        << target << report << i;
    }

    void messyDataAgreesWithARecomputation()
    {
        QFETCH(QString, target);
        QFETCH(int, report);
        QFETCH(int, criteriaIndex);
        TdtmDBGeral* db = messy(target);
        if (!db)
            QSKIP(qPrintable(m_unavailable.value(target)));
        const Criteria criteria = messyCases().at(criteriaIndex).second;
        const QList<Check> checks = messyChecks(*db);
        const WholeReport document = run(definition(report), criteria, *db);
        const QList<Check> rows =
            expected(report, checks, criteria, m_operatorCompanies.value(criteria.operatorCode));
        agrees(document, report, rows);
        if (QTest::currentTestFailed() || report != 3)
            return;
        // The age counts calendar days, whatever time of day the emission holds.
        const int days = static_cast<int>(document.labels.indexOf(QStringLiteral("Dias")));
        for (int i = 0; i < rows.size(); ++i)
            QCOMPARE(document.rows.at(i).at(days),
                     rows.at(i).emission.isValid()
                         ? ReportFormat::integer(rows.at(i).emission.daysTo(QDate(2026, 3, 15)))
                         : QString());
    }

    // The guard of the table above: each case keeps something of the messy checks, and what
    // the issue names is there.
    void messyCasesShowWhatTheyAreAbout()
    {
        TdtmDBGeral* db = messy(QString::fromLatin1(sqliteTarget));
        const QList<Check> checks = allChecks(db->database());
        const auto keys = [&](int report, int index) {
            const Criteria& criteria = messyCases().at(index).second;
            return keysOf(expected(report, checks, criteria,
                                   m_operatorCompanies.value(criteria.operatorCode)));
        };
        // 000030, 30 and "  30  " are one number, in the range 28 to 31; 0001 is not in 96-126.
        QCOMPARE(keys(1, 1), QStringList({"003/  30", "003/000030", "003/30"}));
        QVERIFY(!keys(1, 2).contains(QStringLiteral("003/0001")));
        QVERIFY(keys(1, 2).contains(QStringLiteral("003/000099")));
        // A time of day on the emission and the clearing dates; a blank clearing date.
        QVERIFY(keys(0, 3).contains(QStringLiteral("003/000130")));
        QVERIFY(keys(0, 4).contains(QStringLiteral("003/000131")));
        QVERIFY(keys(2, 5).contains(QStringLiteral("003/000132")));
        QVERIFY(keys(3, 5).contains(QStringLiteral("003/000132")));
        // No emission date: outstanding all the same, in March and in its own band.
        QVERIFY(keys(2, 5).contains(QStringLiteral("003/000099")));
        QVERIFY(keys(3, 5).contains(QStringLiteral("003/000133")));
        // Outstanding on 10/03: cleared on 12/03 counts, issued on 14/03 does not.
        QVERIFY(keys(5, 6).contains(QStringLiteral("003/000122")));
        QVERIFY(!keys(5, 6).contains(QStringLiteral("003/000120")));
        QVERIFY(keys(5, 0).contains(QStringLiteral("003/000120")));
    }

    // The checkbook audit of the messy checks, on both engines: every check counted, the stray
    // number a new range, the numbers that are none listed whatever the range, the check of
    // another company an occurrence of its account's audit, not a stop.
    void messyAuditAgreesWithARecomputation_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("criteriaIndex");
        for (const char* target : {sqliteTarget, firebirdTarget})
            for (int i : {0, 1, 2, 7})
                QTest::addRow("%s %s", target, messyCases().at(i).first) << target << i;
    }

    void messyAuditAgreesWithARecomputation()
    {
        QFETCH(QString, target);
        QFETCH(int, criteriaIndex);
        TdtmDBGeral* db = messy(target);
        if (!db)
            QSKIP(qPrintable(m_unavailable.value(target)));
        const Criteria criteria = messyCases().at(criteriaIndex).second;
        const QStringList lines = textsOf(run(definition(4), criteria, *db));
        QCOMPARE(lines, expectedAudit(messyChecks(*db), criteria,
                                      m_operatorCompanies.value(criteria.operatorCode)));
        if (criteriaIndex == 0) {
            QVERIFY(lines.contains(QStringLiteral("003|Nova faixa|900001|900001|1||")));
            QVERIFY(lines.contains(QStringLiteral("001|Cheque da empresa 02|000106||||")));
        }
        if (criteriaIndex == 1)
            QVERIFY(lines.contains(QStringLiteral("003|Número repetido|000030|000030|||2")));
    }

    // A narrow emission range reads the checks of those days through the emission-date index,
    // never the whole table (SQLite flattens the operator's view into the query, so its plan
    // shows the index). The audit and the pending checks cover every date by design.
    void narrowRangeUsesTheIndex_data()
    {
        QTest::addColumn<int>("report");
        for (int report : {0, 1, 2, 3})
            QTest::addRow("%d", report) << report;
    }

    void narrowRangeUsesTheIndex()
    {
        QFETCH(int, report);
        Criteria criteria;
        criteria.emissionFrom = criteria.emissionTo = day(2026, 3, 10);
        const ReportJob::Request request = requestFor(definition(report), criteria, *m_sqlite);
        const QString sql = definition(report).sqlFor(DatabaseConfig::Engine::Sqlite);
        QSqlQuery query(m_sqlite->database());
        QVERIFY2(query.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + sql),
                 qPrintable(query.lastError().text()));
        for (const QString& name : ReportDefinition::declaredParameters(sql))
            query.bindValue(QLatin1Char(':') + name, request.values.value(name.toUpper()));
        QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        QStringList plan;
        while (query.next())
            plan << query.value(3).toString();
        const QString shown = plan.join(QLatin1Char('\n'));
        QVERIFY2(!plan.filter(QStringLiteral("SEARCH C USING INDEX IX_CHEQUE_EMISSAO (DTEMISSAO>? "
                                             "AND DTEMISSAO<?)"))
                      .isEmpty(),
                 qPrintable(shown));
        QVERIFY2(plan.filter(QRegularExpression(QStringLiteral("^SCAN C( |$)"))).isEmpty(),
                 qPrintable(shown));
    }

    // The Firebird texts read the checks of an emission range through the emission-date
    // index, the operator's view included, never in a natural scan of CHEQUE (isql's plan).
    void firebirdRangeUsesTheIndex_data() { narrowRangeUsesTheIndex_data(); }

    void firebirdRangeUsesTheIndex()
    {
        QFETCH(int, report);
        const QString isql = QStandardPaths::findExecutable(QStringLiteral("isql-fb"));
        if (isql.isEmpty())
            QSKIP("isql-fb (firebird3.0-utils) is not installed.");
        // A database of its own, made by isql from the schema: the engine's file stays the
        // test's.
        const QString file = m_dir.filePath(QStringLiteral("plans.fdb"));
        QString script;
        if (!QFileInfo::exists(file)) {
            script = QStringLiteral("CREATE DATABASE '%1' USER 'SYSDBA' DEFAULT CHARACTER SET "
                                    "UTF8;\n")
                         .arg(file);
            for (const char* name : {"schema.sql", "version-2.sql"}) {
                QFile schema(QStringLiteral(KLX_SOURCE_DIR "/db/firebird/") + QLatin1String(name));
                QVERIFY(schema.open(QIODevice::ReadOnly));
                script += QString::fromUtf8(schema.readAll());
            }
            script += QStringLiteral("COMMIT;\n");
        } else {
            script = QStringLiteral("CONNECT '%1' USER 'SYSDBA';\n").arg(file);
        }
        QString sql = definition(report).sqlFor(DatabaseConfig::Engine::Firebird);
        sql.replace(QRegularExpression(QStringLiteral(":P_[A-Z_]+")), QStringLiteral("?"));
        QProcess process;
        process.start(isql, {QStringLiteral("-q")});
        process.write((script + QStringLiteral("SET PLANONLY ON;\n%1;\n").arg(sql)).toUtf8());
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(60000));
        const QString plan = QString::fromUtf8(process.readAllStandardOutput());
        const QString shown = plan + QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(plan.contains(QRegularExpression(
                     QStringLiteral("CHEQUE_OPERADOR C INDEX \\([^)]*IX_CHEQUE_EMISSAO"))),
                 qPrintable(shown));
        QVERIFY2(!plan.contains(QStringLiteral(" C NATURAL")), qPrintable(shown));
    }

    // Amounts that leave what a 64-bit total holds stop the report with a message that names
    // the check: one amount of 10^17 (SQLite keeps any number), or 10,000 checks of
    // 9.999.999.999.999,99, whose sum passes 2^63 cents, on both engines.
    void amountsOutOfRangeStopTheReport_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("named");
        QTest::newRow("SQLite one amount") << sqliteTarget << "100000000000000000" << 1
                                           << "Conta 001, cheque 500001 tem em VLCHEQUE";
        QTest::newRow("SQLite total")
            << sqliteTarget << "9999999999999.99" << 10000 << "somando Conta 001, cheque 509224";
        QTest::newRow("Firebird total")
            << firebirdTarget << "9999999999999.99" << 10000 << "somando Conta 001, cheque 509224";
    }

    void amountsOutOfRangeStopTheReport()
    {
        QFETCH(QString, target);
        QFETCH(QString, amount);
        QFETCH(int, count);
        QFETCH(QString, named);
        if (target == QLatin1String(firebirdTarget) && !firebird())
            QSKIP("The Qt Firebird driver (QIBASE, libqt6sql6-ibase) is not installed.");
        QTemporaryDir dir;
        std::unique_ptr<TdtmDBGeral> db =
            target == QLatin1String(sqliteTarget)
                ? openSqlite(dir.filePath(QStringLiteral("big.sqlite")))
                : openFirebird(dir);
        const QString insert =
            target == QLatin1String(sqliteTarget)
                ? QStringLiteral("INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE, CDEMPRESA, DTEMISSAO, "
                                 "VLCHEQUE, IDSTATUS) WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL "
                                 "SELECT I + 1 FROM N WHERE I < %1) SELECT '001', 500000 + I, "
                                 "'01', '2026-03-15', %2, '1' FROM N")
                : QStringLiteral("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= %1) "
                                 "DO BEGIN INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE, CDEMPRESA, "
                                 "DTEMISSAO, VLCHEQUE, IDSTATUS) VALUES ('001', 500000 + :I, "
                                 "'01', '2026-03-15', %2, '1'); I = I + 1; END END");
        runAsOwner(*db, insert.arg(count).arg(amount));
        Criteria criteria;
        criteria.accounts = QStringLiteral("001");
        for (int report : {0, 1, 5}) {
            try {
                run(definition(report), criteria, *db);
                QFAIL("the report ran");
            } catch (const Exception& e) {
                QVERIFY2(e.Message().contains(named) &&
                             e.Message().contains(QStringLiteral("o relatório foi interrompido")),
                         qPrintable(e.Message()));
            }
        }
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
    void cancelInterruptsTheQuery_data() { timeLimitStopsTheQuery_data(); }

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

    // The criteria the messy checks are read with.
    static const QList<QPair<const char*, Criteria>>& messyCases()
    {
        static const QList<QPair<const char*, Criteria>> cases = [] {
            QList<QPair<const char*, Criteria>> list;
            Criteria all;
            all.emissionFrom = all.emissionTo = std::nullopt;
            list.append({"all", all});
            Criteria thirty = all;
            thirty.chequeFrom = QStringLiteral("28");
            thirty.chequeTo = QStringLiteral("31");
            list.append({"numbers 28 to 31", thirty});
            Criteria hundred = all;
            hundred.chequeFrom = QStringLiteral("96");
            hundred.chequeTo = QStringLiteral("126");
            list.append({"numbers 96 to 126", hundred});
            Criteria tenth;
            tenth.emissionFrom = tenth.emissionTo = day(2026, 3, 10);
            list.append({"emission 10/03", tenth});
            Criteria fifth = all;
            fifth.clearingFrom = fifth.clearingTo = day(2026, 3, 5);
            list.append({"clearing 05/03", fifth});
            Criteria march;
            march.emissionFrom = day(2026, 3, 1);
            march.emissionTo = day(2026, 3, 31);
            march.states = QStringLiteral("_1");
            list.append({"issued in March", march});
            Criteria asOfTenth = all;
            asOfTenth.clearingFrom = day(2026, 3, 1);
            asOfTenth.clearingTo = day(2026, 3, 10);
            list.append({"clearing to 10/03", asOfTenth});
            Criteria oper = all;
            oper.operatorCode = QStringLiteral("OPER");
            list.append({"OPER", oper});
            return list;
        }();
        return cases;
    }

    // The demo database of a target with the messy checks added; nullptr, with the reason
    // in m_unavailable, when the target cannot be had here.
    TdtmDBGeral* messy(const QString& target)
    {
        if (target == QLatin1String(sqliteTarget)) {
            if (!m_messySqlite) {
                m_messySqlite = openSqlite(m_dir.filePath(QStringLiteral("messy.sqlite")));
                prepareMessyData(m_messySqlite->database(), true);
            }
            return m_messySqlite.get();
        }
        if (!firebird()) {
            m_unavailable.insert(target, QStringLiteral("The Qt Firebird driver (QIBASE, "
                                                        "libqt6sql6-ibase) is not installed."));
            return nullptr;
        }
        if (!m_messyFirebird) {
            m_messyFirebird = openFirebird(m_messyDir);
            // The operator may only read: the data goes in, and is read back for the
            // recomputation, as the database's owner.
            m_messyFirebirdOwner = std::make_unique<TdtmDBGeral>();
            DatabaseConfig config = m_messyFirebird->config();
            config.administrator = true;
            m_messyFirebirdOwner->open(config);
            prepareMessyData(m_messyFirebirdOwner->database(), false);
        }
        return m_messyFirebird.get();
    }

    // Every check of a messy database, read past the operator's view.
    QList<Check> messyChecks(const TdtmDBGeral& db) const
    {
        return allChecks(&db == m_messyFirebird.get() ? m_messyFirebirdOwner->database()
                                                      : db.database());
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
                QStringLiteral("001|Número inválido|A0001||1||"),
                QStringLiteral("002|Sequência|002101|002110|11||"),
                QStringLiteral("002|Número repetido|002110|002110|||1"),
                QStringLiteral("Total da conta 001|||||13|3|1"),
                QStringLiteral("Total da conta 002|||||11|0|1"),
                QStringLiteral("Total geral|||||24|3|2")};
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
    QTemporaryDir m_messyDir;
    std::unique_ptr<TdtmDBGeral> m_messySqlite;
    std::unique_ptr<TdtmDBGeral> m_messyFirebird;
    std::unique_ptr<TdtmDBGeral> m_messyFirebirdOwner;
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

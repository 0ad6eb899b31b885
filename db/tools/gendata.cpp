// Writes a large database for benchmarks, SQLite or Firebird: the demo schema and banks,
// with generated companies, accounts and checks in place of the demo ones. One seed gives
// the same data on both engines.
//
//   klx-gendata [--db sqlite|firebird] [--accounts N] [--checks M] [--companies K]
//               [--seed S] [--force] FILE

#include "base/Exceptions.h"
#include "data/FirebirdAddress.h"
#include "data/SqliteFunctions.h"
#include "data/dtmDBGeral.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <cstdio>
#include <iterator>
#include <memory>
#include <sqlite3.h>
#include <string_view>
#include <vector>

namespace {

const QString digits = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");

// Code number n (from 1) at a fixed width, in base 36 so that 10,000 accounts fit
// the three characters of CDREDUCONT. Small numbers read as decimal: 1 is "001".
QString codeOf(int n, int width)
{
    QString code(width, QLatin1Char('0'));
    for (int i = width - 1; i >= 0 && n > 0; --i, n /= 36)
        code[i] = digits.at(n % 36);
    return code;
}

int maxCode(int width)
{
    int max = 1;
    for (int i = 0; i < width; ++i)
        max *= 36;
    return max - 1;
}

// A prepared statement on the native handle: the million check rows go through it,
// since binding through QSqlQuery costs several times the insert itself.
class NativeStatement {
public:
    NativeStatement(sqlite3* db, const char* sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            fail();
    }
    ~NativeStatement() { sqlite3_finalize(m_statement); }
    NativeStatement(const NativeStatement&) = delete;
    NativeStatement& operator=(const NativeStatement&) = delete;

    // Text that must stay alive until step(); an empty view binds NULL.
    void bind(int column, std::string_view text)
    {
        if (text.empty())
            sqlite3_bind_null(m_statement, column);
        else
            sqlite3_bind_text(m_statement, column, text.data(), static_cast<int>(text.size()),
                              SQLITE_STATIC);
    }
    void bind(int column, double value) { sqlite3_bind_double(m_statement, column, value); }

    void step()
    {
        if (sqlite3_step(m_statement) != SQLITE_DONE)
            fail();
        sqlite3_reset(m_statement);
    }

private:
    [[noreturn]] void fail() { throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(m_db))); }

    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

// One generated check; the texts are ASCII or UTF-8.
struct CheckRow {
    QByteArray account;
    char number[12] = {};
    QByteArray company;
    QDate emission;
    QDate clearing; // invalid: not cleared
    qint64 cents = 0;
    std::string_view payee; // empty: none
    char status = '0';
};

class CheckWriter {
public:
    virtual ~CheckWriter() = default;
    virtual void write(const CheckRow& row) = 0;
    // Writes what is still held back.
    virtual void finish() {}
};

// SQLite: one prepared statement on the native handle, a row at a time.
class SqliteCheckWriter : public CheckWriter {
public:
    explicit SqliteCheckWriter(const QSqlDatabase& db)
        : m_insert(sqliteHandle(db), "INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE, CDEMPRESA, "
                                     "DTEMISSAO, DTCOMPENSACAO, VLCHEQUE, NMFAVORECIDO, "
                                     "IDSTATUS) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
    {
    }

    void write(const CheckRow& row) override
    {
        m_insert.bind(1, view(row.account));
        m_insert.bind(2, std::string_view(row.number, 6));
        m_insert.bind(3, view(row.company));
        m_insert.bind(4, view(dateText(row.emission)));
        m_insert.bind(5,
                      row.clearing.isValid() ? view(dateText(row.clearing)) : std::string_view());
        m_insert.bind(6, static_cast<double>(row.cents) / 100.0);
        m_insert.bind(7, row.payee);
        m_insert.bind(8, std::string_view(&row.status, 1));
        m_insert.step();
    }

private:
    static std::string_view view(const QByteArray& bytes)
    {
        return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
    }

    // The 'YYYY-MM-DD' text of a date, made once per day.
    const QByteArray& dateText(const QDate& date)
    {
        auto it = m_dates.find(date.toJulianDay());
        if (it == m_dates.end())
            it = m_dates.insert(date.toJulianDay(), date.toString(Qt::ISODate).toUtf8());
        return it.value();
    }

    NativeStatement m_insert;
    QHash<qint64, QByteArray> m_dates;
};

// Firebird: rows go in batches, each batch one execution of a prepared INSERT ... SELECT of
// a UNION ALL, so that a server is reached once per batch rather than once per row.
class FirebirdCheckWriter : public CheckWriter {
public:
    explicit FirebirdCheckWriter(const QSqlDatabase& db) : m_db(db) {}

    void write(const CheckRow& row) override
    {
        m_pending.push_back(row);
        if (static_cast<int>(m_pending.size()) == batchRows)
            flush();
    }

    void finish() override { flush(); }

private:
    static constexpr int batchRows = 64;

    // The prepared INSERT for a batch of so many rows.
    QSqlQuery& statementFor(int rows)
    {
        QSqlQuery& query = rows == batchRows ? m_full : m_last;
        if (m_prepared.value(&query) == rows)
            return query;
        QStringList selects;
        for (int i = 0; i < rows; ++i)
            selects << QStringLiteral(
                "SELECT CAST(? AS CHAR(3)), CAST(? AS CHAR(6)), CAST(? AS CHAR(2)), "
                "CAST(? AS DATE), CAST(? AS DATE), CAST(? AS NUMERIC(15,2)), "
                "CAST(? AS VARCHAR(60)), CAST(? AS CHAR(1)) FROM RDB$DATABASE");
        query = QSqlQuery(m_db);
        if (!query.prepare(QStringLiteral("INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE, CDEMPRESA, "
                                          "DTEMISSAO, DTCOMPENSACAO, VLCHEQUE, NMFAVORECIDO, "
                                          "IDSTATUS) ") +
                           selects.join(QStringLiteral(" UNION ALL "))))
            throw EDatabaseError(query.lastError().text());
        m_prepared.insert(&query, rows);
        return query;
    }

    void flush()
    {
        const int rows = static_cast<int>(m_pending.size());
        if (rows == 0)
            return;
        QSqlQuery& insert = statementFor(rows);
        const QVariant noText(QMetaType::fromType<QString>());
        const QVariant noDate(QMetaType::fromType<QDate>());
        int at = 0;
        for (const CheckRow& row : m_pending) {
            insert.bindValue(at++, QString::fromLatin1(row.account));
            insert.bindValue(at++, QString::fromLatin1(row.number, 6));
            insert.bindValue(at++, QString::fromLatin1(row.company));
            insert.bindValue(at++, row.emission);
            insert.bindValue(at++, row.clearing.isValid() ? QVariant(row.clearing) : noDate);
            insert.bindValue(at++, static_cast<double>(row.cents) / 100.0);
            insert.bindValue(
                at++, row.payee.empty()
                          ? noText
                          : QVariant(QString::fromUtf8(row.payee.data(),
                                                       static_cast<qsizetype>(row.payee.size()))));
            insert.bindValue(at++, QString(QLatin1Char(row.status)));
        }
        if (!insert.exec())
            throw EDatabaseError(insert.lastError().text());
        m_pending.clear();
    }

    QSqlDatabase m_db;
    std::vector<CheckRow> m_pending;
    QSqlQuery m_full;
    QSqlQuery m_last;
    QHash<const QSqlQuery*, int> m_prepared;
};

class Generator {
public:
    Generator(QSqlDatabase db, quint32 seed) : m_db(db), m_random(seed) {}

    void exec(const QString& sql)
    {
        QSqlQuery query(m_db);
        if (!query.exec(sql))
            throw EDatabaseError(query.lastError().text() + QStringLiteral(" em: ") + sql);
    }

    QSqlQuery prepare(const QString& sql)
    {
        QSqlQuery query(m_db);
        if (!query.prepare(sql))
            throw EDatabaseError(query.lastError().text() + QStringLiteral(" em: ") + sql);
        return query;
    }

    static void run(QSqlQuery& query, const QVariantList& values)
    {
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values.at(i));
        if (!query.exec())
            throw EDatabaseError(query.lastError().text());
    }

    void companies(int count)
    {
        exec(QStringLiteral("DELETE FROM EMPRESA"));
        exec(QStringLiteral("DELETE FROM OPEREMPR WHERE CDOPERADOR = 'ADM'"));
        QSqlQuery company = prepare(QStringLiteral("INSERT INTO EMPRESA VALUES (?, ?)"));
        QSqlQuery admin = prepare(QStringLiteral("INSERT INTO OPEREMPR VALUES ('ADM', ?)"));
        for (int i = 1; i <= count; ++i) {
            const QString code = codeOf(i, 2);
            run(company, {code, QStringLiteral("Empresa %1 Ltda").arg(code)});
            run(admin, {code});
        }
    }

    QStringList banks()
    {
        QSqlQuery query(m_db);
        QStringList codes;
        if (!query.exec(QStringLiteral("SELECT CDBANCO FROM BANCO ORDER BY CDBANCO")))
            throw EDatabaseError(query.lastError().text());
        while (query.next())
            codes << query.value(0).toString();
        return codes;
    }

    QStringList accounts(int count, int companies)
    {
        exec(QStringLiteral("DELETE FROM CONTCORR"));
        const QStringList bankCodes = banks();
        QSqlQuery insert =
            prepare(QStringLiteral("INSERT INTO CONTCORR VALUES (?, ?, ?, ?, ?, ?)"));
        QStringList companyOfAccount;
        for (int i = 1; i <= count; ++i) {
            const QString code = codeOf(i, 3);
            const QString company = codeOf(1 + (i - 1) % companies, 2);
            run(insert, {code, company, bankCodes.at(i % bankCodes.size()),
                         QString::number(10000 + m_random.bounded(90000)),
                         QString::number(100000 + m_random.bounded(9900000)),
                         QStringLiteral("Conta %1").arg(code)});
            companyOfAccount << company;
        }
        return companyOfAccount;
    }

    // The checks are spread evenly over the accounts, numbered from 000001 within each
    // and written in key order, which keeps the inserts fast; dates span 2025 and
    // early 2026.
    void checks(int count, const QStringList& companyOfAccount, CheckWriter& writer)
    {
        static const std::string_view payees[] = {
            "Maria Aparecida da Silva", "João Batista Ferreira", "Construtora Pinheiro Ltda",
            "Papelaria Estrela",        "Posto São Cristóvão",   "Auto Peças Andrade",
            "Supermercado Bom Preço",   "Gráfica Nova Era",      "Imobiliária Lar Feliz",
            "Farmácia Popular Vida"};
        const QDate first(2025, 1, 2);
        const int days = static_cast<int>(first.daysTo(QDate(2026, 3, 31))) + 1;

        exec(QStringLiteral("DELETE FROM CHEQUE"));
        const int accounts = static_cast<int>(companyOfAccount.size());
        static const char statuses[] = {'0', '1', '2'};
        int written = 0;
        CheckRow row;
        for (int account = 0; account < accounts; ++account) {
            row.account = codeOf(account + 1, 3).toUtf8();
            row.company = companyOfAccount.at(account).toUtf8();
            const int ofAccount = count / accounts + (account < count % accounts ? 1 : 0);
            for (int number = 1; number <= ofAccount; ++number, ++written) {
                std::snprintf(row.number, sizeof row.number, "%06d", number);
                const int day = m_random.bounded(days);
                const int roll = m_random.bounded(100);
                const int status = roll < 65 ? 1 : roll < 82 ? 2 : 0;
                const bool cleared = status == 1 && m_random.bounded(100) < 60;
                row.emission = first.addDays(day);
                row.clearing = cleared ? first.addDays(day + 1 + m_random.bounded(9)) : QDate();
                row.cents = status == 0 ? 0 : m_random.bounded(5000000);
                row.payee = status == 0 ? std::string_view() : payees[written % std::size(payees)];
                row.status = statuses[status];
                writer.write(row);
            }
        }
        writer.finish();
    }

    // The planner's figures for the new data: SQLite's ANALYZE; the selectivity of every
    // index of Firebird's, which a bulk load leaves as they were on the empty tables.
    void updateStatistics(bool firebird)
    {
        if (!firebird) {
            exec(QStringLiteral("ANALYZE"));
            return;
        }
        QSqlQuery indexes(m_db);
        if (!indexes.exec(QStringLiteral("SELECT TRIM(RDB$INDEX_NAME) FROM RDB$INDICES "
                                         "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0")))
            throw EDatabaseError(indexes.lastError().text());
        QStringList names;
        while (indexes.next())
            names << indexes.value(0).toString();
        for (const QString& name : std::as_const(names))
            exec(QStringLiteral("SET STATISTICS INDEX \"%1\"").arg(name));
    }

private:
    QSqlDatabase m_db;
    QRandomGenerator m_random;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("klx-gendata"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Gera um banco grande (SQLite ou Firebird) para medições de desempenho."));
    parser.addHelpOption();
    const QCommandLineOption engineOption(
        QStringLiteral("db"), QStringLiteral("Banco a gerar: sqlite (padrão) ou firebird."),
        QStringLiteral("sqlite|firebird"), QStringLiteral("sqlite"));
    const QCommandLineOption accountsOption(QStringLiteral("accounts"),
                                            QStringLiteral("Contas correntes (10000)."),
                                            QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption checksOption(QStringLiteral("checks"),
                                          QStringLiteral("Cheques (1000000)."), QStringLiteral("M"),
                                          QStringLiteral("1000000"));
    const QCommandLineOption companiesOption(QStringLiteral("companies"),
                                             QStringLiteral("Empresas (50)."), QStringLiteral("K"),
                                             QStringLiteral("50"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Semente dos valores aleatórios (47306)."),
                                        QStringLiteral("S"), QStringLiteral("47306"));
    const QCommandLineOption forceOption(QStringLiteral("force"),
                                         QStringLiteral("Substitui um arquivo existente."));
    parser.addOptions(
        {engineOption, accountsOption, checksOption, companiesOption, seedOption, forceOption});
    parser.addPositionalArgument(QStringLiteral("arquivo"), QStringLiteral("O banco a gerar."));
    parser.process(app);

    QTextStream err(stderr);
    const QStringList files = parser.positionalArguments();
    const int accounts = parser.value(accountsOption).toInt();
    const int checks = parser.value(checksOption).toInt();
    const int companies = parser.value(companiesOption).toInt();
    const QString engine = parser.value(engineOption);
    const bool firebird = engine == QLatin1String("firebird");
    if (files.size() != 1 || accounts < 1 || accounts > maxCode(3) || companies < 1 ||
        companies > maxCode(2) || checks < 0 || checks / accounts >= 999999 ||
        (!firebird && engine != QLatin1String("sqlite")) ||
        (firebird && !FirebirdAddress::isLocal(files.first()))) {
        err << QStringLiteral("Uso: klx-gendata [--db sqlite|firebird] [--accounts 1..%1] "
                              "[--checks M] [--companies 1..%2] [--seed S] [--force] ARQUIVO\n"
                              "(o arquivo Firebird é local: um servidor o abre pelo caminho)\n")
                   .arg(maxCode(3))
                   .arg(maxCode(2));
        return 2;
    }
    const QString path = files.first();
    if (QFile::exists(path)) {
        if (!parser.isSet(forceOption)) {
            err << QStringLiteral("%1 já existe; use --force para substituí-lo.\n").arg(path);
            return 2;
        }
        QFile::remove(path);
    }

    try {
        QElapsedTimer timer;
        timer.start();
        TdtmDBGeral module;
        DatabaseConfig config;
        config.engine =
            firebird ? DatabaseConfig::Engine::Firebird : DatabaseConfig::Engine::Sqlite;
        config.path = path;
        config.createWithDemoData = true;
        config.administrator = true;
        module.open(config);
        QSqlDatabase db = module.database();
        Generator generator(db, parser.value(seedOption).toUInt());
        if (!firebird) {
            // A throw-away file: no journal and no syncing while it fills.
            generator.exec(QStringLiteral("PRAGMA journal_mode = OFF"));
            generator.exec(QStringLiteral("PRAGMA synchronous = OFF"));
            generator.exec(QStringLiteral("PRAGMA cache_size = -262144"));
        }
        // Everything in one transaction.
        if (!db.transaction())
            throw EDatabaseError(db.lastError().text());
        generator.companies(companies);
        const QStringList companyOfAccount = generator.accounts(accounts, companies);
        std::unique_ptr<CheckWriter> writer;
        if (firebird)
            writer = std::make_unique<FirebirdCheckWriter>(db);
        else
            writer = std::make_unique<SqliteCheckWriter>(db);
        generator.checks(checks, companyOfAccount, *writer);
        writer.reset();
        if (!db.commit())
            throw EDatabaseError(db.lastError().text());
        generator.updateStatistics(firebird);
        QTextStream(stdout) << QStringLiteral("%1: %2 empresas, %3 contas, %4 cheques em %5 s\n")
                                   .arg(path)
                                   .arg(companies)
                                   .arg(accounts)
                                   .arg(checks)
                                   .arg(timer.elapsed() / 1000.0, 0, 'f', 2);
    } catch (const Exception& error) {
        err << error.Message() << '\n';
        return 1;
    }
    return 0;
}

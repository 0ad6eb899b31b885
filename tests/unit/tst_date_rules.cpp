// Dates as a clerk writes them and the rules of saved periods: one reading for the date
// edits, the criteria sets and `klx report`.
#include "base/DateRules.h"

#include <QTest>

namespace {
const QDate today(2026, 3, 20);
} // namespace

class TestDateRules : public QObject {
    Q_OBJECT

private slots:
    void writtenDates_data();
    void writtenDates();
    void rulesOnAProcessingDate_data();
    void rulesOnAProcessingDate();
    void twoDigitYearsSlideWithToday();
};

void TestDateRules::writtenDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date"); // invalid: not a date

    QTest::newRow("d/m/yyyy") << "1/3/2026" << QDate(2026, 3, 1);
    QTest::newRow("dd/mm/yyyy") << "05/03/2026" << QDate(2026, 3, 5);
    QTest::newRow("d/m/yy") << "5/3/26" << QDate(2026, 3, 5);
    QTest::newRow("dd/mm/yy, last century") << "31/12/99" << QDate(1999, 12, 31);
    QTest::newRow("ISO") << "2026-03-05" << QDate(2026, 3, 5);
    QTest::newRow("ISO, one-digit month") << "2026-3-5" << QDate(2026, 3, 5);
    QTest::newRow("dots") << "5.3.2026" << QDate(2026, 3, 5);
    QTest::newRow("blanks around") << "  5/3/2026 " << QDate(2026, 3, 5);
    QTest::newRow("hoje") << "Hoje" << today;
    QTest::newRow("leap day") << "29/2/2028" << QDate(2028, 2, 29);
    QTest::newRow("no leap day") << "29/02/2026" << QDate();
    QTest::newRow("impossible") << "31/02/2026" << QDate();
    QTest::newRow("month first is not read") << "2026/03/05" << QDate();
    QTest::newRow("mixed separators") << "5/3-2026" << QDate();
    QTest::newRow("three-digit year") << "5/3/026" << QDate();
    QTest::newRow("blank") << "" << QDate();
    QTest::newRow("digits only") << "05032026" << QDate();
    QTest::newRow("a word") << "ontem" << QDate();
}

void TestDateRules::writtenDates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    const auto read = DateRules::readDate(text, today);
    QCOMPARE(read.value_or(QDate()), date);
    // Parsed as a rule, a written date is a fixed one, written back as DD/MM/YYYY.
    if (date.isValid() && text.trimmed().compare(QLatin1String("hoje"), Qt::CaseInsensitive)) {
        const auto rule = DateRules::parse(text, today);
        QVERIFY(rule);
        QCOMPARE(rule->kind, DateRules::Kind::Fixed);
        QCOMPARE(DateRules::word(*rule), date.toString(QStringLiteral("dd/MM/yyyy")));
    }
}

void TestDateRules::rulesOnAProcessingDate_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QDate>("processing");
    QTest::addColumn<QDate>("date");

    const QDate march15(2026, 3, 15);
    QTest::newRow("processamento") << "processamento" << march15 << march15;
    QTest::newRow("hoje counts from the calendar") << "hoje" << march15 << today;
    QTest::newRow("ontem") << "ontem" << march15 << QDate(2026, 3, 19);
    QTest::newRow("inicio-do-mes") << "inicio-do-mes" << march15 << QDate(2026, 3, 1);
    QTest::newRow("fim-do-mes") << "fim-do-mes" << march15 << QDate(2026, 3, 31);
    QTest::newRow("inicio-do-mes-anterior")
        << "inicio-do-mes-anterior" << march15 << QDate(2026, 2, 1);
    QTest::newRow("fim-do-mes-anterior") << "fim-do-mes-anterior" << march15 << QDate(2026, 2, 28);
    QTest::newRow("previous month across the year")
        << "inicio-do-mes-anterior" << QDate(2026, 1, 10) << QDate(2025, 12, 1);
    QTest::newRow("end of a leap February")
        << "fim-do-mes-anterior" << QDate(2028, 3, 1) << QDate(2028, 2, 29);
    QTest::newRow("processamento-15") << "processamento-15" << march15 << QDate(2026, 2, 28);
    QTest::newRow("processamento-0") << "processamento-0" << march15 << march15;
    QTest::newRow("upper case") << "FIM-DO-MES" << march15 << QDate(2026, 3, 31);
    QTest::newRow("no processing date") << "inicio-do-mes" << QDate() << QDate();
}

void TestDateRules::rulesOnAProcessingDate()
{
    QFETCH(QString, word);
    QFETCH(QDate, processing);
    QFETCH(QDate, date);
    const auto rule = DateRules::parse(word, today);
    QVERIFY(rule);
    QCOMPARE(DateRules::resolve(*rule, processing, today), date);
    // The word a set stores reads back as the same rule.
    QCOMPARE(DateRules::parse(DateRules::word(*rule), today), rule);
    for (const QString& bad : {QStringLiteral("processamento-"), QStringLiteral("processamento-x"),
                               QStringLiteral("processamento--1"), QStringLiteral("mes-anterior")})
        QVERIFY2(!DateRules::parse(bad, today), qPrintable(bad));
}

void TestDateRules::twoDigitYearsSlideWithToday()
{
    // From 80 years before today's year to 19 after.
    QCOMPARE(DateRules::fullYear(45, QDate(2026, 1, 1)), 2045);
    QCOMPARE(DateRules::fullYear(46, QDate(2026, 1, 1)), 1946);
    QCOMPARE(DateRules::fullYear(0, QDate(2026, 1, 1)), 2000);
    QCOMPARE(DateRules::fullYear(46, QDate(2027, 1, 1)), 2046);
    QCOMPARE(DateRules::fullYear(99, QDate(2081, 6, 1)), 2099);
    QCOMPARE(DateRules::fullYear(1, QDate(2081, 6, 1)), 2001);
}

QTEST_MAIN(TestDateRules)
#include "tst_date_rules.moc"

// The pieces a report is made of: Brazilian formats, reading driver values, the definition
// format with its errors, and the criteria line read back from the parameters.

#include "base/Exceptions.h"
#include "data/SqlLexer.h"
#include "data/TParams.h"
#include "report/engine/ReportAmount.h"
#include "report/engine/ReportCriteria.h"
#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportFormat.h"
#include "report/engine/ReportQuery.h"

#include <QtTest>

class TestReportFormat : public QObject {
    Q_OBJECT

private slots:
    void money_data()
    {
        QTest::addColumn<qint64>("cents");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0,00";
        QTest::newRow("cents") << qint64(5) << "0,05";
        QTest::newRow("hundreds") << qint64(72853) << "728,53";
        QTest::newRow("thousands") << qint64(123456) << "1.234,56";
        QTest::newRow("millions") << qint64(123456789012) << "1.234.567.890,12";
        QTest::newRow("negative") << qint64(-50) << "-0,50";
        QTest::newRow("negative thousands") << qint64(-100000) << "-1.000,00";
        QTest::newRow("thirteen digits") << qint64(999999999999999) << "9.999.999.999.999,99";
        QTest::newRow("largest") << std::numeric_limits<qint64>::max()
                                 << "92.233.720.368.547.758,07";
        QTest::newRow("smallest") << std::numeric_limits<qint64>::min()
                                  << "-92.233.720.368.547.758,08";
    }
    void money()
    {
        QFETCH(qint64, cents);
        QFETCH(QString, text);
        QCOMPARE(ReportFormat::money(cents), text);
    }

    void integerAndDate()
    {
        QCOMPARE(ReportFormat::integer(0), QStringLiteral("0"));
        QCOMPARE(ReportFormat::integer(999), QStringLiteral("999"));
        QCOMPARE(ReportFormat::integer(-1000), QStringLiteral("-1.000"));
        QCOMPARE(ReportFormat::integer(1000000), QStringLiteral("1.000.000"));
        QCOMPARE(ReportFormat::integer(std::numeric_limits<qint64>::min()),
                 QStringLiteral("-9.223.372.036.854.775.808"));
        QCOMPARE(ReportFormat::date(QDate(2026, 3, 5)), QStringLiteral("05/03/2026"));
        QCOMPARE(ReportFormat::date(QDate()), QString());
    }

    void centsFromDriverValues_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<qint64>("cents");
        QTest::newRow("double") << QVariant(728.53) << qint64(72853);
        QTest::newRow("double error") << QVariant(0.1 + 0.2) << qint64(30);
        QTest::newRow("firebird text") << QVariant(QStringLiteral("42629.79")) << qint64(4262979);
        QTest::newRow("one decimal") << QVariant(QStringLiteral("12.5")) << qint64(1250);
        QTest::newRow("no decimals") << QVariant(QStringLiteral("12")) << qint64(1200);
        QTest::newRow("rounds half up") << QVariant(QStringLiteral("0.005")) << qint64(1);
        QTest::newRow("negative text") << QVariant(QStringLiteral("-3.10")) << qint64(-310);
        QTest::newRow("integer") << QVariant(7) << qint64(700);
        QTest::newRow("large") << QVariant(QStringLiteral("9999999999999.99"))
                               << qint64(999999999999999);
    }
    void centsFromDriverValues()
    {
        QFETCH(QVariant, value);
        QFETCH(qint64, cents);
        QCOMPARE(ReportFormat::centsOf(value), std::optional<qint64>(cents));
    }

    // A value past what a 64-bit count of cents holds is told apart from one that is no
    // number: the report stops on it instead of adding a wrapped value.
    void amountsOutOfRange_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("reading");
        QTest::addColumn<qint64>("units");
        using Reading = ReportAmount::Reading;
        QTest::newRow("10^17 reais as an integer")
            << QVariant(Q_INT64_C(100000000000000000)) << int(Reading::OutOfRange) << qint64(0);
        QTest::newRow("10^17 reais as text") << QVariant(QStringLiteral("100000000000000000.00"))
                                             << int(Reading::OutOfRange) << qint64(0);
        QTest::newRow("10^17 reais as a double")
            << QVariant(1e17) << int(Reading::OutOfRange) << qint64(0);
        QTest::newRow("largest that fits")
            << QVariant(QStringLiteral("92233720368547758.07")) << int(Reading::Value)
            << std::numeric_limits<qint64>::max();
        QTest::newRow("one cent more") << QVariant(QStringLiteral("92233720368547758.08"))
                                       << int(Reading::OutOfRange) << qint64(0);
        QTest::newRow("rounding past the limit")
            << QVariant(QStringLiteral("92233720368547758.075")) << int(Reading::OutOfRange)
            << qint64(0);
        QTest::newRow("unsigned past the limit")
            << QVariant(Q_UINT64_C(18446744073709551615)) << int(Reading::OutOfRange) << qint64(0);
        QTest::newRow("no number")
            << QVariant(QStringLiteral("1,2,3")) << int(Reading::Unreadable) << qint64(0);
        QTest::newRow("null") << QVariant() << int(Reading::Null) << qint64(0);
    }
    void amountsOutOfRange()
    {
        QFETCH(QVariant, value);
        QFETCH(int, reading);
        QFETCH(qint64, units);
        ReportAmount amount;
        QCOMPARE(int(ReportAmount::readCents(value, amount)), reading);
        if (reading == int(ReportAmount::Reading::Value))
            QCOMPARE(amount.units(), units);
        if (reading == int(ReportAmount::Reading::OutOfRange))
            QVERIFY_THROWS_EXCEPTION(ReportFormat::OutOfRange,
                                     ReportFormat::normalize(value, ReportValueFormat::Money));
        // Sums stop at the limit, either way, and leave the amount as it was.
        ReportAmount sum(std::numeric_limits<qint64>::max() - 1);
        QVERIFY(sum.add(ReportAmount(1)));
        QVERIFY(!sum.add(ReportAmount(1)));
        QCOMPARE(sum.units(), std::numeric_limits<qint64>::max());
        ReportAmount low(std::numeric_limits<qint64>::min() + 1);
        QVERIFY(!low.add(ReportAmount(-2)));
        // The formatter takes every amount that fits.
        QCOMPARE(ReportFormat::money(std::numeric_limits<qint64>::min()),
                 QStringLiteral("-92.233.720.368.547.758,08"));
    }

    void unreadableValuesAreNull()
    {
        QVERIFY(!ReportFormat::centsOf(QVariant()));
        QVERIFY(!ReportFormat::centsOf(QStringLiteral("abc")));
        QVERIFY(!ReportFormat::centsOf(QStringLiteral("1.2.3")));
        QVERIFY(ReportFormat::normalize(QStringLiteral("x"), ReportValueFormat::Money).isNull());
        QVERIFY(ReportFormat::normalize(QStringLiteral("2026-02-31"), ReportValueFormat::Date)
                    .isNull());
        QCOMPARE(ReportFormat::text(QVariant(), ReportValueFormat::Money), QString());
    }

    void datesFromDriverValues()
    {
        const QDate day(2026, 1, 6);
        QCOMPARE(ReportFormat::dateOf(QStringLiteral("2026-01-06")), day);
        QCOMPARE(ReportFormat::dateOf(day), day);
        QCOMPARE(ReportFormat::dateOf(QDateTime(day, QTime(10, 0))), day);
        QCOMPARE(ReportFormat::dateOf(QStringLiteral("2026-01-06 00:00:00")), day);
        QCOMPARE(ReportFormat::dateOf(QStringLiteral("2026-01-06T10:00")), day);
        // Not a calendar day, not a date at all, a year of more digits: no date.
        for (const char* text :
             {"2026-02-30", "2026-13-01", "20a6-01-06", "2026-1-6", "", "x", "2026-01-0"})
            QVERIFY2(!ReportFormat::dateOf(QString::fromLatin1(text)).isValid(), text);
        // Firebird pads CHAR columns; texts keep no trailing blanks.
        QCOMPARE(ReportFormat::normalize(QStringLiteral("001   "), ReportValueFormat::Text),
                 QVariant(QStringLiteral("001")));
    }

    void definitionLayout()
    {
        const ReportDefinition report = ReportDefinition::parse(
            QStringLiteral("# a comment\n"
                           "title: Teste\n"
                           "order: 7\n"
                           "orientation: landscape\n"
                           "company: nmempresa\n"
                           "count: cheque | cheques\n"
                           "group: CDREDUCONT | Conta {CDREDUCONT}: {DSCONTCORR} | Total\n"
                           "group: DTEMISSAO | - | - | many\n"
                           "column: CDREDUCONT\n"
                           "column: VLCHEQUE | Valor | 12.5 | right | money\n"
                           "sum: VLCHEQUE\n"
                           "state: IDSTATUS | 1 | Emitidos | total\n"
                           "state: idstatus | 0 | Disponíveis | count\n"
                           "export: DSFAIXA | Faixa\n"
                           "kind: reconciliation\n"
                           "subtitle: Só os emitidos somam.\n"
                           "row: Conta {CDREDUCONT}, cheque {NRCHEQUE}\n"
                           "inconsistency: dsinconsistencia\n"
                           "total: Total a deduzir\n"
                           "carry: VLCHEQUE\n"
                           "signature: Conferido por\n"
                           "sql:\n"
                           "  SELECT 1\n"),
            QStringLiteral("teste.rpt"));
        QCOMPARE(report.stateField, QStringLiteral("IDSTATUS"));
        QCOMPARE(report.states.size(), 2);
        QCOMPARE(report.states.at(1).label, QStringLiteral("Disponíveis"));
        QCOMPARE(report.states.at(1).role, ReportDefinition::StateRole::Count);
        QCOMPARE(report.exportColumns.size(), 1);
        QCOMPARE(report.exportColumns.at(0).label, QStringLiteral("Faixa"));
        QCOMPARE(report.kind, ReportDefinition::reconciliationKind);
        QCOMPARE(report.subtitle, QStringLiteral("Só os emitidos somam."));
        QCOMPARE(report.order, 7);
        QCOMPARE(report.orientation, ReportDefinition::Orientation::Landscape);
        QCOMPARE(report.companyField, QStringLiteral("NMEMPRESA"));
        QCOMPARE(report.groups.size(), 2);
        QCOMPARE(report.groups.at(0).heading, QStringLiteral("Conta {CDREDUCONT}: {DSCONTCORR}"));
        QVERIFY(report.groups.at(1).heading.isEmpty() && report.groups.at(1).footer.isEmpty());
        QCOMPARE(report.columns.size(), 2);
        QCOMPARE(report.columns.at(0).label, QStringLiteral("CDREDUCONT"));
        QCOMPARE(report.columns.at(0).format, ReportValueFormat::Text);
        QCOMPARE(report.columns.at(1).width, 12.5);
        QCOMPARE(report.columns.at(1).alignment, Qt::AlignRight);
        QCOMPARE(report.columns.at(1).line, 10);
        QCOMPARE(report.sums, QStringList{QStringLiteral("VLCHEQUE")});
        QCOMPARE(report.inconsistencyField, QStringLiteral("DSINCONSISTENCIA"));
        QCOMPARE(report.grandTotalLabel, QStringLiteral("Total a deduzir"));
        QCOMPARE(report.carryField, QStringLiteral("VLCHEQUE"));
        QCOMPARE(report.signature, QStringLiteral("Conferido por"));
        QVERIFY(!report.groups.at(0).footerWhenMany && report.groups.at(1).footerWhenMany);

        QStringList fields;
        QList<ReportValueFormat> formats;
        ReportQuery::usedFields(report, fields, formats);
        QCOMPARE(fields,
                 QStringList({"CDREDUCONT", "VLCHEQUE", "DSFAIXA", "DSCONTCORR", "DTEMISSAO",
                              "NRCHEQUE", "NMEMPRESA", "IDSTATUS", "DSINCONSISTENCIA"}));
        QCOMPARE(formats.at(1), ReportValueFormat::Money);
    }

    void definitionErrorsNameFileAndLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        const QString head = QStringLiteral("title: T\n");
        QTest::newRow("orientation") << head + "orientation: sideways\n"
                                     << "x.rpt:2: orientação inválida: \"sideways\"";
        QTest::newRow("width") << head + "column: A | A | wide\n"
                               << "x.rpt:2: largura inválida: \"wide\"";
        // A width is a finite share of the page, above 0 and at most the whole page.
        for (const char* width : {"nan", "inf", "-inf", "1e308", "0", "-1", "101"})
            QTest::addRow("width %s", width)
                << head + QStringLiteral("column: A | A | %1\n").arg(QLatin1String(width))
                << QStringLiteral("x.rpt:2: largura inválida: \"%1\" (um número maior que 0 e até "
                                  "100")
                       .arg(QLatin1String(width));
        QTest::newRow("unknown key") << head + "colum: A\n"
                                     << "x.rpt:2: chave desconhecida: \"colum\"";
        QTest::newRow("second sql") << head + "sql:\n  SELECT 1\nsql:\n  SELECT 2\n"
                                    << "x.rpt:4: \"sql\" repetido (já na linha 2)";
        QTest::newRow("second title") << head + "title: U\n"
                                      << "x.rpt:2: \"title\" repetido (já na linha 1)";
        QTest::newRow("alignment") << head + "\ncolumn: A | A | 1 | middle\n"
                                   << "x.rpt:3: alinhamento inválido: \"middle\"";
        QTest::newRow("format") << head + "column: A | A | 1 | left | euro\n"
                                << "x.rpt:2: formato inválido: \"euro\"";
        QTest::newRow("field") << head + "column: A-B\n"
                               << "x.rpt:2: nome de campo inválido";
        QTest::newRow("repeated") << head + "column: A\ncolumn: a\n"
                                  << "x.rpt:3: coluna repetida: A";
        QTest::newRow("sum of text") << head + "column: A\nsum: A\n"
                                     << "x.rpt:3: só colunas money ou integer somam: A";
        QTest::newRow("sum of nothing") << head + "sum: B\n"
                                        << "x.rpt:2: a soma pede uma coluna";
        QTest::newRow("count") << head + "count: cheques\n"
                               << "x.rpt:2: contagem inválida";
        QTest::newRow("bad line") << head + "no colon here\n"
                                  << "x.rpt:2: linha inválida";
        QTest::newRow("no title") << QStringLiteral("order: 1\n") << "x.rpt: falta o título";
        QTest::newRow("state role") << head + "state: S | 1 | Emitidos | soma\n"
                                    << "x.rpt:2: papel de status inválido: \"soma\"";
        QTest::newRow("state parts") << head + "state: S | 1 | Emitidos\n"
                                     << "x.rpt:2: status inválido";
        QTest::newRow("two state fields")
            << head + "state: S | 1 | A | total\nstate: T | 2 | B | count\n"
            << "x.rpt:3: todos os status usam o mesmo campo: S";
        QTest::newRow("state repeated")
            << head + "state: S | 1 | A | total\nstate: S | 1 | B | count\n"
            << "x.rpt:3: status repetido: 1";
        QTest::newRow("kind") << head + "kind: conciliacao\n"
                              << "x.rpt:2: tipo de relatório desconhecido";
        QTest::newRow("group option") << head + "group: G | {G} | Total | some\n"
                                      << "x.rpt:2: grupo inválido";
        QTest::newRow("carry of no sum")
            << head + "column: V | V | 1 | right | money\ncarry: V\n"
            << "x.rpt:3: só uma coluna somada antes (sum) é transportada: V";
        QTest::newRow("unnamed total") << head + "total:\n"
                                       << "x.rpt:2: o total geral precisa";
        // Nested groups stop at eight levels: deeper ones would need pages of headings.
        QString deep = head;
        for (int level = 0; level < 9; ++level)
            deep += QStringLiteral("group: G%1\n").arg(level);
        QTest::newRow("groups too deep") << deep << "x.rpt:10: grupos demais";
    }
    void definitionErrorsNameFileAndLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        try {
            ReportDefinition::parse(text, QStringLiteral("x.rpt"));
            QFAIL("no error");
        } catch (const Exception& e) {
            QVERIFY2(e.Message().startsWith(error), qPrintable(e.Message()));
        }
    }

    void sqlPerEngine()
    {
        const ReportDefinition report = ReportDefinition::parse(
            QStringLiteral("title: T\nsql:\n  SELECT 1 -- :P_X\nsql.ib:\n  SELECT 2 /* :P_Y */\n"),
            QStringLiteral("x.rpt"));
        QCOMPARE(report.sqlFor(DatabaseConfig::Engine::Sqlite).trimmed(),
                 QStringLiteral("SELECT 1"));
        QCOMPARE(report.sqlFor(DatabaseConfig::Engine::Firebird).trimmed(),
                 QStringLiteral("SELECT 2"));
        QCOMPARE(SqlLexer::withoutComments(QStringLiteral("SELECT '--x', \"/*\" -- c\n")),
                 QStringLiteral("SELECT '--x', \"/*\" \n"));
    }

    void onlyOneSelectRuns_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("onFirebird");
        QTest::addColumn<bool>("onSqlite");
        QTest::newRow("select") << "SELECT * FROM CHEQUE" << true << true;
        QTest::newRow("with") << "with x as (select 1) select * from x;" << true << true;
        QTest::newRow("parenthesis") << "(SELECT 1)" << true << true;
        QTest::newRow("semicolon in a literal") << "SELECT ';DELETE FROM X' FROM Y" << true << true;
        QTest::newRow("update") << "UPDATE CHEQUE SET VLCHEQUE = 0" << false << false;
        QTest::newRow("second statement") << "SELECT 1; DROP TABLE CHEQUE" << false << false;
        QTest::newRow("hidden in a comment") << "/* SELECT */ DELETE FROM CHEQUE" << false << false;
        QTest::newRow("execute block") << "EXECUTE BLOCK AS BEGIN END" << false << false;
        // A sequence is found behind every form of Firebird's string literals, and words
        // inside a literal or a comment are no sequence.
        QTest::newRow("sequence") << "SELECT GEN_ID(S, 1) FROM RDB$DATABASE" << false << false;
        QTest::newRow("next value")
            << "SELECT NEXT VALUE FOR S FROM RDB$DATABASE" << false << false;
        for (const char* literal :
             {"q'{'}'", "Q'(')'", "q'['']'", "q'<'>'", "q'!'!'", "q'x'x'", "'it''s'", "n'a''b'"})
            QTest::addRow("sequence after %s", literal)
                << QStringLiteral("SELECT %1 AS QQ, GEN_ID(SEQ, 1000) AS G, 'x' AS X FROM "
                                  "RDB$DATABASE")
                       .arg(QLatin1String(literal))
                << false
                << (QLatin1String(literal).startsWith(QLatin1Char('q'), Qt::CaseInsensitive) &&
                    QLatin1String(literal) != QLatin1String("q'['']'"));
        QTest::newRow("sequence inside a q literal")
            << "SELECT q'{GEN_ID(S, 1); DROP}' FROM RDB$DATABASE" << true << true;
        QTest::newRow("sequence in a quoted name")
            << "SELECT 1 AS \"GEN_ID(\" FROM X" << true << true;
        QTest::newRow("statement after a q literal")
            << "SELECT q'{'}' FROM X; DELETE FROM X" << false << true;
        // SQLite reads no q literal: what Firebird would take for one is code there.
        QTest::newRow("statement inside what Firebird reads as a q literal")
            << "SELECT q'{'; DELETE FROM X; '}' FROM Y" << true << false;
        // SQLite's quoted names hide what they hold; Firebird has none such.
        QTest::newRow("semicolon in a bracketed name")
            << "SELECT 1 AS [a;b] FROM X" << false << true;
        QTest::newRow("sequence in a backquoted name")
            << "SELECT 1 AS `GEN_ID(S, 1)` FROM X" << false << true;
    }
    void onlyOneSelectRuns()
    {
        QFETCH(QString, sql);
        QFETCH(bool, onFirebird);
        QFETCH(bool, onSqlite);
        for (const auto& [engine, accepted] :
             {std::pair{DatabaseConfig::Engine::Firebird, onFirebird},
              std::pair{DatabaseConfig::Engine::Sqlite, onSqlite}}) {
            QString refusal;
            try {
                ReportQuery::checkSingleSelect(sql, QStringLiteral("x.rpt"), engine);
            } catch (const Exception& e) {
                refusal = e.Message();
                QVERIFY(refusal.startsWith(QStringLiteral("x.rpt: ")));
            }
            QCOMPARE(refusal.isEmpty(), accepted);
        }
    }

    // The criteria read back from the parameters, in full and as a page shows them. Each
    // parameter is "NAME=text", "NAME=@YYYY-MM-DD" (a date-time), "NAME=#N" (an integer) or
    // "NAME" (declared, left unassigned).
    void criteriaSummary_data()
    {
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("full");
        QTest::addColumn<QString>("page");
        const QStringList all{"P_CDEMPRESA=",   "P_TCDEMPRESA=T",       "P_CDREDUCONT=001,003",
                              "P_TCDREDUCONT=", "P_NRCHEQUEINI=001101", "P_NRCHEQUEFIN=001110",
                              "P_TNRCHEQUE=",   "P_DTINI=@2026-02-01",  "P_DTFIN=@2026-02-28",
                              "P_STATUS=_2_0",  "P_TSTATUS=",           "P_IDCOMPENSADO=#2",
                              "P_DTCOMPINI=",   "P_DTCOMPFIN=",         "P_TDTCOMP=T"};
        const QString allText = QStringLiteral(
            "Empresas: todas; Contas: 001, 003; Emissão: 01/02/2026 a 28/02/2026; Compensação: "
            "qualquer data; Cheques: 001101 a 001110; Status: Disponível, Cancelado; Conciliação: "
            "não compensados");
        QTest::newRow("every criterion") << all << allText << allText;
        // Date-time 0 and unassigned dates both mean no date; undeclared criteria are left out.
        QTest::newRow("no dates") << QStringList{"P_DTINI=@0", "P_DTFIN", "P_TSTATUS"}
                                  << "Emissão: qualquer data; Status: todos"
                                  << "Emissão: qualquer data; Status: todos";
        QTest::newRow("one end of a range")
            << QStringList{"P_DTINI=2026-03-01", "P_DTFIN=", "P_TDTCOMP=", "P_DTCOMPINI",
                           "P_DTCOMPFIN=@2026-04-30"}
            << "Emissão: a partir de 01/03/2026; Compensação: até 30/04/2026"
            << "Emissão: a partir de 01/03/2026; Compensação: até 30/04/2026";
        // Firebird pads short CHAR codes: the summary shows them trimmed.
        QTest::newRow("padded codes")
            << QStringList{"P_CDEMPRESA=1 ,3 ", "P_TCDEMPRESA="} << "Empresas: 1, 3"
            << "Empresas: 1, 3";
        QTest::newRow("nothing picked")
            << QStringList{"P_CDREDUCONT=", "P_TCDREDUCONT=", "P_STATUS=", "P_TSTATUS="}
            << "Contas: nenhuma; Status: nenhum"
            << "Contas: nenhuma; Status: nenhum";
        QTest::newRow("reconciliation out of range")
            << QStringList{"P_IDCOMPENSADO=#7"} << "Conciliação: todos"
            << "Conciliação: todos";
        QTest::newRow("no criterion declared") << QStringList{"P_DTPROC=2026-03-15"} << "nenhum"
                                               << "nenhum";
        // A page shows a long code list by its count and first codes; the full text keeps all.
        QStringList codes;
        for (int i = 1; i <= 1500; ++i)
            codes << QStringLiteral("%1").arg(i, 3, 36, QLatin1Char('0')).toUpper();
        QTest::newRow("long list")
            << QStringList{"P_CDREDUCONT=" + codes.join(QLatin1Char(',')), "P_TCDREDUCONT="}
            << "Contas: " + codes.join(QStringLiteral(", "))
            << "Contas: 1.500 selecionadas — 001, 002, 003, …";
        QTest::newRow("ten codes in full")
            << QStringList{"P_CDREDUCONT=" + codes.mid(0, 10).join(QLatin1Char(',')),
                           "P_TCDREDUCONT="}
            << "Contas: " + codes.mid(0, 10).join(QStringLiteral(", "))
            << "Contas: " + codes.mid(0, 10).join(QStringLiteral(", "));
    }
    void criteriaSummary()
    {
        QFETCH(QStringList, params);
        QFETCH(QString, full);
        QFETCH(QString, page);
        TParams bound;
        for (const QString& param : std::as_const(params)) {
            TParam* p = bound.CreateParam(param.section(QLatin1Char('='), 0, 0));
            if (!param.contains(QLatin1Char('=')))
                continue;
            const QString value = param.section(QLatin1Char('='), 1);
            if (value.startsWith(QLatin1Char('@')))
                p->SetAsDateTime(
                    value == QLatin1String("@0")
                        ? 0
                        : DateTime::fromDate(QDate::fromString(value.mid(1), Qt::ISODate)));
            else if (value.startsWith(QLatin1Char('#')))
                p->SetAsInteger(value.mid(1).toInt());
            else
                p->SetAsString(value);
        }
        const QList<ReportCriteria::Item> items = ReportCriteria::items(bound);
        QCOMPARE(ReportCriteria::full(items), full);
        QCOMPARE(ReportCriteria::page(items), page);
    }
};

QTEST_GUILESS_MAIN(TestReportFormat)
#include "tst_report_format.moc"

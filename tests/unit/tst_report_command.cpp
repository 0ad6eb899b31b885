// `klx report` as a script uses it: criteria through the screen, the screen's refusals as
// exit code 1 with its message, bad command lines as exit code 2, files and parameters out.

#include "DemoDatabase.h"
#include "ProgramRun.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using ProgramRun::Result;

QStringList csvRows(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    return lines.mid(1);
}

} // namespace

class TestReportCommand : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { createDemoDatabase(m_dir.filePath(QStringLiteral("demo.sqlite"))); }

    void helpDocumentsTheOptions()
    {
        const Result result = klx({QStringLiteral("--help")}, false);
        QCOMPARE(result.code, 0);
        for (const char* option :
             {"--report", "--companies", "--accounts", "--emission-from", "--clearing-to",
              "--check-from", "--states", "--reconciliation", "--filter", "--output", "--params",
              "--database", "--csv-totals", "--csv-criteria"})
            QVERIFY2(result.out.contains(QLatin1String(option)), option);
    }

    void badCommandLinesExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no output") << QStringList{} << "--output";
        QTest::newRow("other suffix")
            << QStringList{"--output", "x.txt"}
            << "--output: o arquivo deve terminar em .pdf, .csv ou .xlsx: 'x.txt'";
        QTest::newRow("impossible date")
            << QStringList{"--emission-from", "31/02/2026", "--output", "x.pdf"} << "31/02/2026";
        QTest::newRow("long number")
            << QStringList{"--check-from", "1234567", "--output", "x.pdf"} << "1234567";
        QTest::newRow("unknown state")
            << QStringList{"--states", "pago", "--output", "x.pdf"} << "pago";
        QTest::newRow("unknown option")
            << QStringList{"--cor", "azul", "--output", "x.pdf"} << "opção desconhecida '--cor'";
        QTest::newRow("argument that is no option")
            << QStringList{"cheques.pdf"} << "opção desconhecida 'cheques.pdf'";
        QTest::newRow("single dash")
            << QStringList{"-output", "x.pdf"} << "opção desconhecida '-output'";
        QTest::newRow("value given to a switch")
            << QStringList{"--params=sim"} << "opção desconhecida '--params=sim'";
        QTest::newRow("missing value") << QStringList{"--output"} << "--output precisa de um valor";
        QTest::newRow("configuration without a file")
            << QStringList{"--params", "--config"} << "--config precisa de um arquivo";
        QTest::newRow("end of options")
            << QStringList{"--params", "--"} << "opção desconhecida '--'";
    }

    void badCommandLinesExitWithTwo()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Result result = klx(args);
        QCOMPARE(result.code, 2);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
    }

    // "--option=value" reads as "--option value", also where klx writes its report for want
    // of a display.
    void optionValuesFollowAnEqualsSign()
    {
        const Result spaced = klx({"--report", "2", "--companies", "01", "--params"});
        const Result joined = klx({"--report=2", "--companies=01", "--params"});
        QCOMPARE(joined.code, 0);
        QCOMPARE(joined.out, spaced.out);
        const QString output = m_dir.filePath(QStringLiteral("sem-tela.pdf"));
        const Result headless = ProgramRun::run(
            QStringLiteral("klx"),
            {"--output=" + output, "--reports", KLX_SOURCE_DIR "/reports", "--operator=ADM",
             "--database", m_dir.filePath(QStringLiteral("demo.sqlite"))},
            {{QStringLiteral("QT_QPA_PLATFORM"), QString()},
             {QStringLiteral("DISPLAY"), QString()},
             {QStringLiteral("WAYLAND_DISPLAY"), QString()}});
        QCOMPARE(headless.code, 0);
        QVERIFY2(headless.err.contains(QStringLiteral("sem tela disponível")),
                 qPrintable(headless.err));
        QVERIFY(QFile::exists(output));
    }

    void screenRefusalsExitWithOne_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("one check number")
            << QStringList{"--check-from", "1101"} << "klx: Cheque final deve ser informado.";
        QTest::newRow("inverted emission")
            << QStringList{"--emission-from", "20/03/2026"}
            << "klx: Data de emissão inicial deve ser menor ou igual a data de emissão final.";
        QTest::newRow("no state") << QStringList{"--states", ""}
                                  << "klx: Status do cheque deve ser informado.";
        QTest::newRow("blank emission") << QStringList{"--emission-from", ""}
                                        << "klx: Data de emissão inicial deve ser informada.";
        QTest::newRow("company outside the operator's")
            << QStringList{"--companies", "04"} << "--companies: 04 fora da lista";
        QTest::newRow("report out of the list")
            << QStringList{"--report", "9"} << "não há relatório 9";
        QTest::newRow("reconciliation of another report")
            << QStringList{"--reconciliation", "compensado"} << "desabilitado";
        QTest::newRow("unknown branch")
            << QStringList{"--branch", "99"} << "klx: Filial 99 não cadastrada.";
        QTest::newRow("unknown operator")
            << QStringList{"--operator", "XYZ"} << "klx: Operador XYZ não cadastrado.";
    }

    void screenRefusalsExitWithOne()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const QString output = m_dir.filePath(QStringLiteral("recusado.pdf"));
        const Result result = klx(args << QStringLiteral("--output") << output);
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QVERIFY(!QFile::exists(output));
    }

    // A folder that is missing takes no file, as one that is read-only: the run says so and
    // exits 1, as tst_report_files tries for a read-only one.
    void missingOutputFolderIsNoBadCommandLine()
    {
        const QString output = m_dir.filePath(QStringLiteral("nenhuma/cheques.pdf"));
        const Result result = klx({QStringLiteral("--output"), output});
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(QStringLiteral("a pasta '%1' não existe; nada foi gravado")
                                         .arg(m_dir.filePath(QStringLiteral("nenhuma")))),
                 qPrintable(result.err));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("nenhuma"))));
    }

    void criteriaReachTheRows()
    {
        const QString output = m_dir.filePath(QStringLiteral("fev.csv"));
        const Result result = klx({"--report", "1", "--companies", "01,03", "--accounts", "002,005",
                                   "--emission-from", "2026-02-01", "--emission-to", "28/02/2026",
                                   "--states", "emitido", "--output", output});
        QCOMPARE(result.code, 0);
        QVERIFY(result.out.contains(QStringLiteral("Relação de cheques por número")));
        const QStringList rows = csvRows(output);
        QCOMPARE(rows.size(), 10);
        for (const QString& row : rows) {
            const QStringList cells = row.split(QLatin1Char(';'));
            QVERIFY(cells.at(0) == QLatin1String("002") || cells.at(0) == QLatin1String("005"));
            QVERIFY(cells.at(2).endsWith(QLatin1String("/02/2026")));
            QCOMPARE(cells.at(5), QStringLiteral("Emitido"));
        }
    }

    // "Todas" binds an empty list, yet OPER (company 02 only) gets only company 02's checks.
    void anOperatorSeesOnlyItsCompanies()
    {
        const QString output = m_dir.filePath(QStringLiteral("oper.csv"));
        const Result result =
            klx({"--operator", "OPER", "--report", "3", "--emission-from", "01/01/2020",
                 "--emission-to", "31/12/2030", "--output", output});
        QCOMPARE(result.code, 0);
        const QStringList rows = csvRows(output);
        QVERIFY(rows.size() >= 5);
        for (const QString& row : rows)
            QCOMPARE(row.split(QLatin1Char(';')).at(4),
                     QStringLiteral("Distribuidora Serra Azul S.A."));
    }

    // A copy of report 1 that reads CHEQUE itself is refused by SQLite's authorizer; one that
    // reads the operator's view but labels its rows with another company is stopped by the
    // row check, the third line.
    void rowsOfAnotherCompanyStopTheRun()
    {
        QTemporaryDir reports;
        for (const QString& file :
             QDir(QStringLiteral(KLX_SOURCE_DIR "/reports")).entryList({QStringLiteral("*.rpt")}))
            QVERIFY(QFile::copy(QStringLiteral(KLX_SOURCE_DIR "/reports/") + file,
                                reports.filePath(file)));
        QFile file(reports.filePath(QStringLiteral("KLX473-1-numero.rpt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString original = QString::fromUtf8(file.readAll());
        file.close();
        const QString restriction = QStringLiteral(
            "C.CDEMPRESA IN (SELECT CDEMPRESA FROM OPEREMPR WHERE CDOPERADOR = :P_CDOPERADOR)");
        QCOMPARE(original.count(restriction), 1);
        // Once in the SQLite text, in both parts of the emission range in the Firebird one.
        QCOMPARE(original.count(QStringLiteral("FROM CHEQUE_OPERADOR")), 3);
        const QString company = QStringLiteral("AS DSCONTCORR, C.CDEMPRESA,");
        QCOMPARE(original.count(company), 2);
        const auto writeCopy = [&](const QString& text) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(text.toUtf8());
            file.close();
        };
        const QString output = m_dir.filePath(QStringLiteral("outras.csv"));
        const QStringList criteria{"--report",      "1",          "--emission-from", "01/01/2020",
                                   "--emission-to", "31/12/2030", "--reports",       reports.path(),
                                   "--output",      output};

        QString direct = original;
        direct.replace(restriction, QStringLiteral("1 = 1"));
        direct.replace(QStringLiteral("FROM CHEQUE_OPERADOR C"), QStringLiteral("FROM CHEQUE C"));
        writeCopy(direct);
        Result result = klx(QStringList{"--operator", "OPER"} + criteria);
        QCOMPARE(result.code, 4);
        QVERIFY2(result.err.contains(QStringLiteral("KLX473-1-numero.rpt: a consulta do relatório "
                                                    "não pode usar a tabela CHEQUE fora da visão "
                                                    "CHEQUE_OPERADOR")),
                 qPrintable(result.err));
        QVERIFY(!QFile::exists(output));

        QString labelled = original;
        labelled.replace(company, QStringLiteral("AS DSCONTCORR, '01' AS CDEMPRESA,"));
        writeCopy(labelled);
        result = klx(QStringList{"--operator", "OPER"} + criteria);
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(QStringLiteral("KLX473-1-numero.rpt: a consulta trouxe "
                                                    "cheques da empresa 01, que o operador OPER "
                                                    "não pode ver")),
                 qPrintable(result.err));
        QVERIFY(!QFile::exists(output));

        // Read through the view, with its own company, the copy runs.
        writeCopy(original);
        result = klx(QStringList{"--operator", "OPER", "--companies", "02"} + criteria);
        QCOMPARE(result.code, 0);
        QVERIFY(!csvRows(output).isEmpty());
    }

    void reconciliationAndClearingRange()
    {
        const QString output = m_dir.filePath(QStringLiteral("conciliacao.csv"));
        const Result result =
            klx({"--report", "2", "--emission-from", "01/01/2026", "--emission-to", "31/03/2026",
                 "--reconciliation", "compensado", "--clearing-from", "01/02/2026", "--clearing-to",
                 "14/02/2026", "--output", output});
        QCOMPARE(result.code, 0);
        const QStringList rows = csvRows(output);
        QVERIFY(rows.size() >= 5);
        for (const QString& row : rows) {
            const QDate cleared =
                QDate::fromString(row.split(QLatin1Char(';')).at(3), QStringLiteral("dd/MM/yyyy"));
            QVERIFY(cleared >= QDate(2026, 2, 1) && cleared <= QDate(2026, 2, 14));
        }
    }

    void paramsShowTheBinding()
    {
        const Result result =
            klx({"--report", "0", "--companies", "01,03", "--states", "disponivel", "--params"});
        QCOMPARE(result.code, 0);
        const QJsonObject root = QJsonDocument::fromJson(result.out.toUtf8()).object();
        QCOMPARE(root.value(QStringLiteral("report")).toInt(), 0);
        QHash<QString, QJsonObject> params;
        for (const QJsonValue& value : root.value(QStringLiteral("parameters")).toArray())
            params.insert(value[QStringLiteral("name")].toString(), value.toObject());
        QCOMPARE(params.size(), 15);
        QVERIFY(!params.contains(QStringLiteral("P_IDCOMPENSADO")));
        // The operator limits every report to its companies; the engine binds it.
        QCOMPARE(params["P_CDOPERADOR"]["kind"].toString(), QStringLiteral("engine"));
        QCOMPARE(params["P_CDOPERADOR"]["sql"].toString(), QStringLiteral("ADM"));
        QCOMPARE(params["P_CDEMPRESA"]["value"].toString(), QStringLiteral("01,03"));
        QCOMPARE(params["P_TCDEMPRESA"]["sql"].toString(), QString());
        QVERIFY(!params["P_TCDEMPRESA"]["sql"].isNull());
        QCOMPARE(params["P_STATUS"]["value"].toString(), QStringLiteral("_0"));
        // Only "Disponível": the emission dates go as date-time 0, "no date" to the SQL.
        QCOMPARE(params["P_DTINI"]["kind"].toString(), QStringLiteral("datetime"));
        QCOMPARE(params["P_DTINI"]["value"].toInt(-1), 0);
        QCOMPARE(params["P_DTINI"]["sql"].toString(QStringLiteral("x")), QString());
    }

    void branchWithoutProcessingDateIsRefused()
    {
        const QString database = m_dir.filePath(QStringLiteral("sem-data.sqlite"));
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("demo.sqlite")), database));
        {
            auto db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
            db.setDatabaseName(database);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(
                QStringLiteral("UPDATE FILIAL SET DTPROC = NULL WHERE CDFILIAL = '02'")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
        const Result result = klx({"--branch", "02", "--database", database, "--params"}, false);
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(QStringLiteral("klx: Filial 02 sem data de processamento.")),
                 qPrintable(result.err));
    }

    void repeatedCodesArePickedOnce()
    {
        const Result result = klx({"--companies", "01,03,01", "--accounts", "002,002", "--params"});
        QCOMPARE(result.code, 0);
        QHash<QString, QString> values;
        const QJsonObject root = QJsonDocument::fromJson(result.out.toUtf8()).object();
        for (const QJsonValue& value : root.value(QStringLiteral("parameters")).toArray())
            values.insert(value[QStringLiteral("name")].toString(), value["value"].toString());
        QCOMPARE(values.value(QStringLiteral("P_CDEMPRESA")), QStringLiteral("01,03"));
        QCOMPARE(values.value(QStringLiteral("P_CDREDUCONT")), QStringLiteral("002"));
    }

    // A parameter name the database reads longer than Qt ("P_DTINI$" for "P_DTINI")
    // crashed the SQLite driver; the definition is refused with its file and line.
    void parameterNamesTheDatabaseReadsOtherwiseAreRefused_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("dollar") << "$";
        QTest::newRow("accented letter") << "é";
        QTest::newRow("parenthesis") << "(1)";
    }

    void parameterNamesTheDatabaseReadsOtherwiseAreRefused()
    {
        QFETCH(QString, suffix);
        QTemporaryDir reports;
        for (const QString& file :
             QDir(QStringLiteral(KLX_SOURCE_DIR "/reports")).entryList({QStringLiteral("*.rpt")}))
            QVERIFY(QFile::copy(QStringLiteral(KLX_SOURCE_DIR "/reports/") + file,
                                reports.filePath(file)));
        const QString path = reports.filePath(QStringLiteral("KLX473-1-numero.rpt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        file.close();
        const qsizetype line =
            lines.indexOf(QRegularExpression(QStringLiteral(".*NULLIF\\(:P_DTINI, ''\\).*")));
        QVERIFY(line > 0);
        lines[line].replace(QStringLiteral(":P_DTINI,"), QStringLiteral(":P_DTINI") + suffix + ",");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines.join(QLatin1Char('\n')).toUtf8());
        file.close();

        const QString output = m_dir.filePath(QStringLiteral("nome.pdf"));
        for (const QStringList& how : {QStringList{"--output", output}, QStringList{"--params"}}) {
            const Result result =
                klx(QStringList{"--report", "1", "--reports", reports.path()} + how);
            QCOMPARE(result.code, 1);
            const QString where = QStringLiteral("%1:%2: o parâmetro ':P_DTINI%3")
                                      .arg(path)
                                      .arg(line + 1)
                                      .arg(suffix.left(1));
            QVERIFY2(result.err.contains(where), qPrintable(result.err));
        }
        QVERIFY(!QFile::exists(output));
    }

    void savedFilterRunsAndOptionsOverrideIt()
    {
        // A set as the screen's "Filtros" menu saves it for operator ADM: its report by file
        // and title, its period as the previous month of the processing date (15/03/2026).
        QSettings settings(m_dir.filePath(QStringLiteral("state/klx/estado.ini")),
                           QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("criterios/KLX47306/ADM/Fevereiro"));
        settings.setValue(QStringLiteral("report-file"), QStringLiteral("KLX473-1-numero.rpt"));
        settings.setValue(QStringLiteral("report-title"),
                          QStringLiteral("Relação de cheques por número"));
        settings.setValue(QStringLiteral("companies"), QStringLiteral("lista"));
        settings.setValue(QStringLiteral("company-codes"), QStringLiteral("01,03,09"));
        settings.setValue(QStringLiteral("emission-from"),
                          QStringLiteral("inicio-do-mes-anterior"));
        settings.setValue(QStringLiteral("emission-to"), QStringLiteral("fim-do-mes-anterior"));
        settings.setValue(QStringLiteral("states"), QStringLiteral("emitido"));
        settings.endGroup();
        // The same report's file with another title: another report now, which is gone.
        settings.beginGroup(QStringLiteral("criterios/KLX47306/ADM/Outro"));
        settings.setValue(QStringLiteral("report-file"), QStringLiteral("KLX473-1-numero.rpt"));
        settings.setValue(QStringLiteral("report-title"), QStringLiteral("Relatório do colega"));
        settings.endGroup();
        settings.sync();

        Result result = klx({"--filter", "Fevereiro", "--params"});
        QCOMPARE(result.code, 0);
        QVERIFY2(result.err.contains(QStringLiteral("retirados do filtro: empresas 09.")),
                 qPrintable(result.err));
        QHash<QString, QJsonObject> params = parameters(result.out);
        QCOMPARE(QJsonDocument::fromJson(result.out.toUtf8()).object().value("report").toInt(), 1);
        QCOMPARE(params["P_CDEMPRESA"]["value"].toString(), QStringLiteral("01,03"));
        QCOMPARE(params["P_STATUS"]["value"].toString(), QStringLiteral("_1"));
        QCOMPARE(params["P_DTINI"]["value"].toString(), QStringLiteral("2026-02-01"));
        QCOMPARE(params["P_DTFIN"]["value"].toString(), QStringLiteral("2026-02-28"));

        result = klx({"--filter", "Outro", "--params"});
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(QStringLiteral("O relatório \"Relatório do colega\" "
                                                    "(KLX473-1-numero.rpt) do filtro não está mais "
                                                    "na lista")),
                 qPrintable(result.err));

        result = klx({"--filter", "Fevereiro", "--emission-from", "10/02/2026", "--params"});
        QCOMPARE(result.code, 0);
        params = parameters(result.out);
        QCOMPARE(params["P_DTINI"]["value"].toString(), QStringLiteral("2026-02-10"));
        QCOMPARE(params["P_CDEMPRESA"]["value"].toString(), QStringLiteral("01,03"));

        result = klx({"--filter", "Março", "--params"});
        QCOMPARE(result.code, 2);
        QVERIFY2(result.err.contains(QStringLiteral("filtros: Fevereiro, Outro")),
                 qPrintable(result.err));
    }

    // A nightly job names "the previous month" once: the date words give, on the demo's
    // processing date 15/03/2026, the very file the dates written out give; so do the short
    // and ISO forms.
    void dateWordsWriteWhatTheirDatesWrite()
    {
        const auto csv = [this](const QString& name, const QStringList& dates) {
            const QString output = m_dir.filePath(name);
            const Result result = klx(dates + QStringList{"--output", output});
            if (result.code != 0)
                qWarning("%s", qPrintable(result.err));
            QFile file(output);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray written =
            csv(QStringLiteral("datas.csv"),
                {"--emission-from", "01/02/2026", "--emission-to", "28/02/2026"});
        QVERIFY(written.count('\n') > 3);
        QCOMPARE(csv(QStringLiteral("palavras.csv"), {"--emission-from", "inicio-do-mes-anterior",
                                                      "--emission-to", "fim-do-mes-anterior"}),
                 written);
        QCOMPARE(csv(QStringLiteral("formas.csv"),
                     {"--emission-from", "1/2/26", "--emission-to", "2026-02-28"}),
                 written);
        QCOMPARE(csv(QStringLiteral("processamento.csv"),
                     {"--emission-from", "processamento-42", "--emission-to", "processamento-15"}),
                 written);

        const Result bad = klx({"--emission-from", "mes-passado", "--params"});
        QCOMPARE(bad.code, 2);
        QVERIFY2(bad.err.contains(QStringLiteral("--emission-from: data inválida 'mes-passado'")) &&
                     bad.err.contains(QStringLiteral("inicio-do-mes-anterior")),
                 qPrintable(bad.err));
    }

    void pdfIsWritten()
    {
        const QString output = m_dir.filePath(QStringLiteral("idade.pdf"));
        const Result result = klx({"--report", "3", "--emission-from", "01/01/2026",
                                   "--emission-to", "31/03/2026", "--output", output});
        QCOMPARE(result.code, 0);
        QFile file(output);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(5) == "%PDF-");
        // Outstanding checks only (issued and not cleared) of ADM's companies.
        QVERIFY2(result.out.contains(QStringLiteral("22 linhas, 1 página")),
                 qPrintable(result.out));
    }

    void csvOptions()
    {
        const QString output = m_dir.filePath(QStringLiteral("opcoes.csv"));
        Result result = klx({"--report", "2", "--accounts", "002", "--emission-from", "01/01/2026",
                             "--emission-to", "31/03/2026", "--csv-totals", "--csv-criteria",
                             "--output", output});
        QCOMPARE(result.code, 0);
        QFile file(output);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.at(0), QStringLiteral("Relatório;Conciliação de cheques"));
        QVERIFY(lines.contains(QStringLiteral("Contas;002")));
        QVERIFY(lines.contains(QStringLiteral("Conciliação;todos")));
        const qsizetype heading = lines.indexOf(QString()) + 1;
        QCOMPARE(lines.at(heading), QStringLiteral("Conta;Cheque;Emissão;Compensação;Dias;"
                                                   "Favorecido;Status;Valor (R$);Situação;"
                                                   "Descrição da conta;Empresa;Nome da empresa;"
                                                   "Valor considerado"));
        // The cancelled checks of the account are a section of their own, outside the amounts:
        // counted, not summed; the account's states say their amount.
        QVERIFY(lines.contains(QStringLiteral("Total de Cancelados — 2 cheques;;;;;;;;;;;;")));
        QCOMPARE(lines.filter(QStringLiteral("Cancelados: 2 — 84.892,68;")).size(), 2);
        QVERIFY(lines.contains(
            QStringLiteral("Total de Não compensados — 4 cheques;;;;;;;35.506,93;;;;;")));
        QVERIFY(lines.filter(QStringLiteral(";Cancelado;")).size() == 2);
        for (const QString& line : lines.filter(QStringLiteral(";Cancelado;")))
            QVERIFY(line.contains(QStringLiteral(";Cancelados;")));

        result = klx({"--csv-totals", "--output", m_dir.filePath(QStringLiteral("x.pdf"))});
        QCOMPARE(result.code, 2);
        QVERIFY(result.err.contains(QStringLiteral("pedem saída .csv")));
    }

    // A workbook is one more kind of output; a CSV for Excel begins with a byte-order mark;
    // the inconsistencies a report finds are counted on the command line.
    void spreadsheetsAndInconsistencies()
    {
        const QString database = m_dir.filePath(QStringLiteral("inconsistente.sqlite"));
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("demo.sqlite")), database));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                        QStringLiteral("inconsistente"));
            db.setDatabaseName(database);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral(
                "INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE, CDEMPRESA, DTEMISSAO, DTCOMPENSACAO, "
                "VLCHEQUE, NMFAVORECIDO, IDSTATUS) VALUES ('001', '001199', '01', '2026-03-02', "
                "'2026-03-09', "
                "10, 'Cancelado e compensado', '2')")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("inconsistente"));
        const QStringList march{"--report",        "1",          "--accounts",    "001",
                                "--emission-from", "01/03/2026", "--emission-to", "31/03/2026",
                                "--database",      database};
        const QString xlsx = m_dir.filePath(QStringLiteral("cheques.xlsx"));
        Result result = klx(march + QStringList{"--output", xlsx}, false);
        QCOMPARE(result.code, 0);
        QVERIFY2(result.out.endsWith(QStringLiteral(", 1 página, 1 inconsistência\n")),
                 qPrintable(result.out));
        QFile workbook(xlsx);
        QVERIFY(workbook.open(QIODevice::ReadOnly));
        QCOMPARE(workbook.read(2), QByteArray("PK"));

        const QString csv = m_dir.filePath(QStringLiteral("excel.csv"));
        result = klx(march + QStringList{"--csv-excel", "--output", csv}, false);
        QCOMPARE(result.code, 0);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(3), QByteArray("\xEF\xBB\xBF"));

        result = klx({"--csv-excel", "--output", xlsx});
        QCOMPARE(result.code, 2);
        QVERIFY(result.err.contains(QStringLiteral("--csv-excel pede saída .csv")));
    }

    void emptyResultIsTold()
    {
        const QString output = m_dir.filePath(QStringLiteral("vazio.csv"));
        const Result result = klx(
            {"--emission-from", "01/01/2020", "--emission-to", "02/01/2020", "--output", output});
        QCOMPARE(result.code, 0);
        QVERIFY(result.err.contains(
            QStringLiteral("klx: nenhum cheque atende aos critérios; arquivo gravado com o "
                           "cabeçalho")));
        QCOMPARE(csvRows(output).size(), 0);
        QVERIFY(QFileInfo(output).size() > 10);
    }

    // A broken definition keeps its index: the others keep theirs, it is told once, and asking
    // for it by index is refused with its error.
    void brokenDefinitionKeepsItsIndex()
    {
        QTemporaryDir reports;
        const QDir source(QStringLiteral(KLX_SOURCE_DIR "/reports"));
        for (const QString& name : source.entryList({QStringLiteral("*.rpt")}))
            QVERIFY(QFile::copy(source.filePath(name), reports.filePath(name)));
        // The list reads a definition's header: an error there marks it in the list.
        QFile broken(reports.filePath(QStringLiteral("KLX473-1-numero.rpt")));
        QVERIFY(broken.open(QIODevice::ReadOnly));
        const QByteArray text = broken.readAll();
        broken.close();
        QVERIFY(text.contains("orientation: portrait\n"));
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write(
            QByteArray(text).replace("orientation: portrait\n", "orientation: sideways\n"));
        broken.close();

        Result result = klx({"--report", "2", "--params", "--reports", reports.path()});
        QCOMPARE(result.code, 0);
        QCOMPARE(QJsonDocument::fromJson(result.out.toUtf8())["title"].toString(),
                 QStringLiteral("Conciliação de cheques"));
        QCOMPARE(result.err.count(QStringLiteral("KLX473-1-numero.rpt")), 1);
        QVERIFY2(result.err.contains(QStringLiteral("klx: aviso: relatório 1 ignorado: ")),
                 qPrintable(result.err));
        QVERIFY(result.err.contains(QStringLiteral("orientação inválida")));

        result = klx({"--report", "1", "--output", m_dir.filePath(QStringLiteral("quebrado.pdf")),
                      "--reports", reports.path()});
        QCOMPARE(result.code, 1);
        QCOMPARE(result.err.count(QStringLiteral("KLX473-1-numero.rpt")), 1);
        QVERIFY2(result.err.contains(QStringLiteral("orientação inválida")),
                 qPrintable(result.err));
        QVERIFY(!result.err.contains(QStringLiteral("aviso")));
    }

    // Every account of a generated database picked: the pages hold the checks under a short
    // criteria block, and the file's metadata keeps the whole list.
    void tenThousandAccountsPicked()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("pdfinfo (poppler-utils) is not installed.");
        const QString database = m_dir.filePath(QStringLiteral("dez-mil.sqlite"));
        QCOMPARE(
            ProgramRun::run(QStringLiteral("klx-gendata"), {"--accounts", "10000", "--checks",
                                                            "12000", "--companies", "50", database})
                .code,
            0);
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("gen"));
        db.setDatabaseName(database);
        QVERIFY(db.open());
        QSqlQuery query(QStringLiteral("SELECT CDREDUCONT FROM CONTCORR ORDER BY 1"), db);
        QStringList accounts;
        while (query.next())
            accounts << query.value(0).toString();
        query = QSqlQuery();
        db.close();
        QCOMPARE(accounts.size(), 10000);

        const QString output = m_dir.filePath(QStringLiteral("dez-mil.pdf"));
        QStringList args{
            "--report",        "1",          "--accounts",    accounts.join(QLatin1Char(',')),
            "--emission-from", "01/03/2026", "--emission-to", "31/03/2026",
            "--output",        output,       "--database",    database};
        const Result result = klx(args, false);
        QCOMPARE(result.code, 0);
        static const QRegularExpression counts(QStringLiteral("(\\d+) linhas, (\\d+) páginas"));
        const auto match = counts.match(result.out);
        QVERIFY2(match.hasMatch(), qPrintable(result.out));
        const int rows = match.captured(1).toInt();
        QVERIFY(rows > 500);
        // One account a group: a heading, its rows, its total and state line.
        QVERIFY(match.captured(2).toInt() < rows / 8);

        QProcess text;
        text.start(QStringLiteral("pdftotext"), {"-l", "1", "-layout", output, "-"});
        QVERIFY(text.waitForFinished(60000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        QVERIFY2(page.contains(QStringLiteral("Contas: 10.000 selecionadas — 001, 002, 003, …")),
                 qPrintable(page.left(800)));
        QVERIFY(QRegularExpression(QStringLiteral("[0-9A-Z]{3} \\d{6} \\d\\d/03/2026"))
                    .match(page)
                    .hasMatch());
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {QStringLiteral("-meta"), output});
        QVERIFY(info.waitForFinished(60000));
        const QString metadata = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY(metadata.contains(QStringLiteral("Contas: ") + accounts.join(QStringLiteral(", ")) +
                                  QLatin1Char(';')));
    }

    void firebirdGivesTheSameFile()
    {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QIBASE")))
            QSKIP("The Qt Firebird driver (QIBASE, libqt6sql6-ibase) is not installed.");
        const QStringList criteria{
            "--report",      "0",          "--emission-from", "01/02/2026",
            "--emission-to", "28/02/2026", "--states",        "emitido,cancelado"};
        const QString lite = m_dir.filePath(QStringLiteral("lite.csv"));
        const QString fb = m_dir.filePath(QStringLiteral("fb.csv"));
        createDemoDatabase(m_dir.filePath(QStringLiteral("demo.fdb")),
                           DatabaseConfig::Engine::Firebird);
        QCOMPARE(klx(QStringList(criteria) << "--output" << lite).code, 0);
        const Result result =
            klx(QStringList(criteria) << "--output" << fb << "--db"
                                      << "firebird"
                                      << "--database" << m_dir.filePath(QStringLiteral("demo.fdb")),
                false);
        QCOMPARE(result.code, 0);
        QCOMPARE(csvRows(fb), csvRows(lite));
        QVERIFY(csvRows(fb).size() > 20);
    }

private:
    static QHash<QString, QJsonObject> parameters(const QString& json)
    {
        QHash<QString, QJsonObject> params;
        const QJsonObject root = QJsonDocument::fromJson(json.toUtf8()).object();
        for (const QJsonValue& value : root.value(QStringLiteral("parameters")).toArray())
            params.insert(value[QStringLiteral("name")].toString(), value.toObject());
        return params;
    }

    // Runs "klx report" on the demo database of the test's directory, and on the source
    // tree's reports unless the arguments name others; the arguments come last.
    Result klx(const QStringList& args, bool sqlite = true)
    {
        QStringList line{QStringLiteral("report")};
        if (!args.contains(QStringLiteral("--reports")))
            line << QStringLiteral("--reports") << QStringLiteral(KLX_SOURCE_DIR "/reports");
        if (sqlite)
            line << QStringLiteral("--database") << m_dir.filePath(QStringLiteral("demo.sqlite"));
        if (!args.contains(QStringLiteral("--operator")) &&
            !args.contains(QStringLiteral("--user")))
            line << QStringLiteral("--operator") << QStringLiteral("ADM");
        // The user's settings (saved filters) and report copies of the test's own folders.
        return ProgramRun::run(QStringLiteral("klx"), line + args,
                               {{QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath("config")},
                                {QStringLiteral("XDG_DATA_HOME"), m_dir.filePath("data")},
                                {QStringLiteral("XDG_STATE_HOME"), m_dir.filePath("state")}});
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestReportCommand)
#include "tst_report_command.moc"

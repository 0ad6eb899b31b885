// Where the host takes its settings from (the system-wide file, then the user's, then the
// command line, each overriding the one before) and where it keeps the user's files.

#include "DemoDatabase.h"
#include "ProgramRun.h"
#include "base/ConfigFile.h"
#include "base/Exceptions.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

using ProgramRun::Result;

// The processing date of the demo's branch 01: the screen's default emission date.
const QString matrizDate = QStringLiteral("2026-03-15");

} // namespace

class TestConfiguration : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void withoutFilesTheDemoDatabaseIsInTheUserDataFolder()
    {
        const QJsonObject params = reportParams();
        QCOMPARE(params.value(QStringLiteral("processingDate")).toString(), matrizDate);
        QVERIFY(QFile::exists(path("data/klx/klx-demo.sqlite")));
        QCOMPARE(QFileInfo(params.value(QStringLiteral("file")).toString()).absolutePath(),
                 QStringLiteral(KLX_BINARY_DIR "/bin/reports"));
    }

    void userFileOverridesTheSystemFileKeyByKey()
    {
        // Each database tells itself apart by its branches' processing dates.
        database("empresa.sqlite", "2025-01-01", "2025-01-02");
        write("etc/klx.ini",
              "[login]\nbranch=02\n[database]\npath=" + path("empresa.sqlite") + "\n");
        QCOMPARE(reportParams().value(QStringLiteral("processingDate")).toString(),
                 QStringLiteral("2025-01-02"));

        // The user's file changes the branch; the database still comes from the system file.
        write("config/klx/klx.ini", "[login]\nbranch=01\n");
        QCOMPARE(reportParams().value(QStringLiteral("processingDate")).toString(),
                 QStringLiteral("2025-01-01"));
        QVERIFY(!QFile::exists(path("data/klx/klx-demo.sqlite")));

        // The command line wins over both.
        QCOMPARE(
            reportParams({"--branch", "02"}).value(QStringLiteral("processingDate")).toString(),
            QStringLiteral("2025-01-02"));
    }

    void configOptionTakesThePlaceOfTheUserFile()
    {
        database("usuario.sqlite", "2025-02-01", "2025-02-02");
        database("outro.sqlite", "2025-03-01", "2025-03-02");
        write("etc/klx.ini", "[login]\nbranch=02\n");
        write("config/klx/klx.ini", "[database]\npath=" + path("usuario.sqlite") + "\n");
        write("outro.ini", "[database]\npath=" + path("outro.sqlite") + "\n");
        const QJsonObject params = reportParams({"--config", path("outro.ini")});
        QCOMPARE(params.value(QStringLiteral("processingDate")).toString(),
                 QStringLiteral("2025-03-02"));
    }

    // The package's /etc/klx/klx.ini documents every setting, all commented out: read as the
    // system-wide file, it changes nothing.
    void shippedSystemFileChangesNothing()
    {
        const QJsonObject without = reportParams();
        QVERIFY(!without.isEmpty());
        QVERIFY(QDir().mkpath(path("etc")));
        QVERIFY(
            QFile::copy(QStringLiteral(KLX_SOURCE_DIR "/packaging/klx.ini"), path("etc/klx.ini")));
        QCOMPARE(reportParams(), without);
        // Every setting the program reads is there, commented out.
        QFile shipped(path("etc/klx.ini"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(shipped.readAll());
        for (const char* key : {"branch", "operator", "engine", "path", "user", "password",
                                "dialect", "connect-timeout", "directory", "time-limit"})
            QVERIFY2(text.contains(QRegularExpression(QStringLiteral("^;%1=").arg(key),
                                                      QRegularExpression::MultilineOption)),
                     key);
    }

    // Only the demo database is ever created; a configured path must name a database.
    void configuredDatabaseThatIsMissingIsRefused()
    {
        write("etc/klx.ini", "[database]\npath=" + path("digitado-errado.sqlite") + "\n");
        const Result result = klx({"report", "--params", "--operator", "ADM"});
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(path("digitado-errado.sqlite") + "': o arquivo não existe"),
                 qPrintable(result.err));
        QVERIFY(!QFile::exists(path("digitado-errado.sqlite")));
        QVERIFY(!QFile::exists(path("data/klx/klx-demo.sqlite")));
    }

    // A value is the text after "=" as written: a comma is part of a path or a password, ';'
    // and '#' inside a value are part of it, quotes keep blanks and take \" and \\.
    void valuesAreReadAsWritten_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("value");
        QTest::newRow("comma") << QByteArray(
                                      "[database]\npath=/dados/Relatórios, 2026/klx.sqlite\n")
                               << "/dados/Relatórios, 2026/klx.sqlite";
        QTest::newRow("blanks around")
            << QByteArray("[database]\npath =  /a b/c.sqlite  \r\n") << "/a b/c.sqlite";
        QTest::newRow("quoted") << QByteArray("[database]\npath=\" x,y \\\"z\\\" \\\\ \"\n")
                                << " x,y \"z\" \\ ";
        QTest::newRow("semicolon and hash inside")
            << QByteArray("[database]\npath=a;b#c\n") << "a;b#c";
        QTest::newRow("comments at line starts")
            << QByteArray("\xEF\xBB\xBF; note\n# note\n[database]\n  ; path=no\npath=yes\n")
            << "yes";
        QTest::newRow("backslash unquoted")
            << QByteArray("[database]\npath=C:\\dados\\k.fdb\n") << "C:\\dados\\k.fdb";
        QTest::newRow("last one wins") << QByteArray("[database]\npath=a\npath=b\n") << "b";
    }

    void valuesAreReadAsWritten()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, value);
        const ConfigFile file = ConfigFile::parse(text, QStringLiteral("klx.ini"));
        QCOMPARE(file.value(QStringLiteral("database"), QStringLiteral("path")), value);
    }

    // A path with a comma names its database; a folder of reports with one, its folder.
    void commaInAPathNamesTheDatabase()
    {
        database("Relatórios, 2026/klx.sqlite", "2025-04-01", "2025-04-02");
        QVERIFY(QDir().mkpath(path("Relatórios, 2026/modelos")));
        for (const QString& file : QDir(QStringLiteral(KLX_SOURCE_DIR "/reports"))
                                       .entryList({QStringLiteral("KLX473-1-*.rpt")}))
            QVERIFY(QFile::copy(QStringLiteral(KLX_SOURCE_DIR "/reports/") + file,
                                path("Relatórios, 2026/modelos/") + file));
        write("etc/klx.ini", "[database]\npath=" + path("Relatórios, 2026/klx.sqlite") +
                                 "\n[reports]\ndirectory=" + path("Relatórios, 2026/modelos") +
                                 "\n");
        const QJsonObject params = reportParams();
        QCOMPARE(params.value(QStringLiteral("processingDate")).toString(),
                 QStringLiteral("2025-04-01"));
        QCOMPARE(QFileInfo(params.value(QStringLiteral("file")).toString()).absolutePath(),
                 path("Relatórios, 2026/modelos"));
        QVERIFY(!QFile::exists(path("data/klx/klx-demo.sqlite")));
    }

    // An empty database path is a mistake, never the demo database.
    void emptyDatabasePathIsRefused()
    {
        Result result = klx({"report", "--params", "--operator", "ADM", "--database", ""});
        QCOMPARE(result.code, 2);
        QVERIFY2(result.err.contains(QStringLiteral("--database vazio")), qPrintable(result.err));
        write("etc/klx.ini", "[database]\npath=\n");
        result = klx({"report", "--params", "--operator", "ADM"});
        QCOMPARE(result.code, 2);
        QVERIFY2(result.err.contains(path("etc/klx.ini") + ":2: [database] path vazio"),
                 qPrintable(result.err));
        QVERIFY(!QFile::exists(path("data/klx/klx-demo.sqlite")));
    }

    // A section or key the program does not know is named with its line; --strict refuses it.
    void unknownSettingsAreNamed()
    {
        write("outro.ini", "[login]\nbranch=01\noperater=OPER\n[banco]\npath=x\n");
        Result result =
            klx({"report", "--params", "--operator", "ADM", "--config", path("outro.ini")});
        QCOMPARE(result.code, 0);
        QVERIFY2(
            result.err.contains(path("outro.ini") + ":3: chave desconhecida [login] operater") &&
                result.err.contains(path("outro.ini") + ":4: seção desconhecida [banco]"),
            qPrintable(result.err));
        result = klx(
            {"report", "--params", "--operator", "ADM", "--config", path("outro.ini"), "--strict"});
        QCOMPARE(result.code, 2);
        QVERIFY2(result.err.contains(QStringLiteral("--strict")), qPrintable(result.err));
    }

    // What earlier versions remembered in the user's klx.ini (saved criteria sets, the last
    // criteria, the preview) goes to the state file on the first run, once; the sections are
    // no unknown settings, even with --strict, and klx.ini stays as it was.
    void earlierStateMovesToTheStateFile()
    {
        const QByteArray earlier =
            "[login]\nbranch=01\n"
            "[criterios]\nKLX47306\\ADM\\Trimestre\\report=KLX473-1-numero.rpt\n"
            "[ultimos-criterios]\nKLX47306\\ADM\\emission-from=01/02/2026\n"
            "[visualizacao]\nzoom=3\n";
        write("config/klx/klx.ini", QString::fromUtf8(earlier));
        Result result = klx({"report", "--params", "--operator", "ADM", "--strict"});
        QCOMPARE(result.code, 0);
        QVERIFY2(!result.err.contains(QStringLiteral("desconhecida")), qPrintable(result.err));
        QVERIFY2(result.err.contains(path("config/klx/klx.ini") +
                                     ":5: [ultimos-criterios] guarda o que versões anteriores"),
                 qPrintable(result.err));
        const auto state = [this](const char* key) {
            return QSettings(path("state/klx/estado.ini"), QSettings::IniFormat)
                .value(QLatin1String(key))
                .toString();
        };
        QCOMPARE(state("criterios/KLX47306/ADM/Trimestre/report"),
                 QStringLiteral("KLX473-1-numero.rpt"));
        QCOMPARE(state("ultimos-criterios/KLX47306/ADM/emission-from"),
                 QStringLiteral("01/02/2026"));
        QCOMPARE(state("visualizacao/zoom"), QStringLiteral("3"));

        // Once: what the state file holds since is not overwritten by the old file.
        write("config/klx/klx.ini", QString::fromUtf8(earlier).replace(QStringLiteral("zoom=3"),
                                                                       QStringLiteral("zoom=1")));
        QCOMPARE(klx({"report", "--params", "--operator", "ADM"}).code, 0);
        QCOMPARE(state("visualizacao/zoom"), QStringLiteral("3"));
        QFile file(path("config/klx/klx.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("zoom=1"));
    }

    // What a user typed is shown with its control characters escaped, never raw.
    void controlCharactersAreShownEscaped()
    {
        const Result result =
            klx({"report", "--params", "--db", QStringLiteral("sq\x1b[31mlite\nklx: falso")});
        QCOMPARE(result.code, 2);
        QVERIFY2(result.err.contains(QStringLiteral("'sq\\x1b[31mlite\\nklx: falso'")),
                 qPrintable(result.err));
        QVERIFY(!result.err.contains(QChar(0x1b)));
        QVERIFY(!result.err.contains(QStringLiteral("\nklx: falso")));
    }

    void configOptionMustNameAFile_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder") << "etc"
                                << "não é um arquivo de configuração";
        QTest::newRow("missing") << "nenhum.ini"
                                 << "não encontrado";
        QTest::newRow("SQLite database") << "banco.sqlite"
                                         << "não é um arquivo de configuração INI: é um arquivo "
                                            "binário";
        QTest::newRow("PDF") << "relatorio.pdf"
                             << "não é um arquivo de configuração INI";
        QTest::newRow("passwd") << "passwd"
                                << "não é um arquivo de configuração INI: linha 1 não é [seção] "
                                   "nem chave=valor: root:x:0:0:root:/root:/bin/bash";
        QTest::newRow("quote left open") << "aspas.ini"
                                         << "linha 2: aspas sem fechar";
    }

    void configOptionMustNameAFile()
    {
        QFETCH(QString, config);
        QFETCH(QString, message);
        QVERIFY(QDir().mkpath(path("etc")));
        createDemoDatabase(path("banco.sqlite"));
        write("relatorio.pdf",
              QStringLiteral("%PDF-1.4\n%\u00e2\u00e3\n1 0 obj\n<< /Type /Catalog >>\n"));
        write("passwd", "root:x:0:0:root:/root:/bin/bash\n");
        write("aspas.ini", "[database]\npath=\"/dados/klx.sqlite\n");
        for (const QStringList& command :
             {QStringList{"report", "--params"}, QStringList{"--open"}}) {
            const Result result = klx(command + QStringList{"--config", path(config)});
            QCOMPARE(result.code, 2);
            QVERIFY2(result.err.contains(path(config)) && result.err.contains(message),
                     qPrintable(result.err));
        }
    }

    void badSettingNamesItsFile()
    {
        write("etc/klx.ini", "[database]\nengine=oracle\n");
        const Result result = klx({"report", "--params"});
        QCOMPARE(result.code, 2);
        QVERIFY2(result.err.contains(path("etc/klx.ini")) && result.err.contains("'oracle'"),
                 qPrintable(result.err));
    }

    // A password in a file others read is refused; in the machine's file, which every
    // operator reads, the remedy is to take it out (chmod 600 would lock them all out).
    void passwordOthersReadIsRefusedWithItsRemedy_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("remedy");
        QTest::newRow("the machine's") << "etc/klx.ini"
                                       << "todos os operadores o leem; tire a linha password";
        QTest::newRow("the user's") << "config/klx/klx.ini"
                                    << "corrija com: chmod 600";
    }

    void passwordOthersReadIsRefusedWithItsRemedy()
    {
        QFETCH(QString, file);
        QFETCH(QString, remedy);
        QVERIFY(QDir().mkpath(QFileInfo(path(file)).absolutePath()));
        write(file, "[database]\npassword=segredo\n");
        QVERIFY(QFile::setPermissions(path(file), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ReadGroup | QFile::ReadOther));
        const Result result = klx({"report", "--params", "--operator", "ADM"});
        QCOMPARE(result.code, 2);
        QVERIFY2(result.err.contains(path(file)) && result.err.contains(remedy),
                 qPrintable(result.err));
    }

    // The server keeps its users' names in capitals, and so does the login dialog: a name
    // given in small letters is the same operator.
    void operatorInSmallLettersIsTheSame()
    {
        const Result result = klx({"report", "--params", "--operator", "oper"});
        QVERIFY2(result.code == 0, qPrintable(result.err));
    }

    void versionIsTheSameForEveryCommand()
    {
        const Result program = klx({"--version"});
        QCOMPARE(program.code, 0);
        QVERIFY2(QRegularExpression(QStringLiteral("^klx \\d+\\.\\d+\\.\\d+\\n$"))
                     .match(program.out)
                     .hasMatch(),
                 qPrintable(program.out));
        const Result report = klx({"report", "--version"});
        QCOMPARE(report.code, 0);
        QCOMPARE(report.out, program.out);
    }

private:
    QString path(const QString& relative) const { return m_dir->filePath(relative); }

    void write(const QString& relative, const QString& text)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path(relative)).absolutePath()));
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

    // The demo database at a path of the test's folder, with the processing dates of its
    // branches 01 and 02 set.
    void database(const QString& relative, const QString& date01, const QString& date02)
    {
        createDemoDatabase(path(relative));
        {
            auto db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
            db.setDatabaseName(path(relative));
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(
                query.exec(QStringLiteral("UPDATE FILIAL SET DTPROC = '%1' WHERE CDFILIAL = '01'")
                               .arg(date01)));
            QVERIFY(
                query.exec(QStringLiteral("UPDATE FILIAL SET DTPROC = '%1' WHERE CDFILIAL = '02'")
                               .arg(date02)));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    }

    // Runs klx with the user's folders and the system-wide file inside the test's folder.
    Result klx(const QStringList& args)
    {
        return ProgramRun::run(QStringLiteral("klx"), args,
                               {{QStringLiteral("XDG_CONFIG_HOME"), path("config")},
                                {QStringLiteral("XDG_DATA_HOME"), path("data")},
                                {QStringLiteral("XDG_STATE_HOME"), path("state")},
                                {QStringLiteral("KLX_SYSTEM_CONFIG"), path("etc/klx.ini")},
                                {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}});
    }

    // The parameters "klx report" would bind with the settings in force.
    QJsonObject reportParams(const QStringList& args = {})
    {
        const Result result = klx(QStringList{"report", "--params", "--operator", "ADM"} + args);
        if (result.code != 0)
            qWarning("klx report --params: %d %s", result.code, qPrintable(result.err));
        return QJsonDocument::fromJson(result.out.toUtf8()).object();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"

// Where the host takes its settings from (the system-wide file, then the user's, then the
// command line, each overriding the one before) and where it keeps the user's files.

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

struct Result {
    int code = -1;
    QString out, err;
};

// The processing dates of the demo branches: the screen's default emission date.
const QString matrizDate = QStringLiteral("2026-03-15");   // branch 01
const QString campinasDate = QStringLiteral("2026-03-13"); // branch 02

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
        write("etc/klx.ini",
              "[login]\nbranch=02\n[database]\npath=" + path("empresa.sqlite") + "\n");
        QCOMPARE(reportParams().value(QStringLiteral("processingDate")).toString(), campinasDate);
        QVERIFY(QFile::exists(path("empresa.sqlite")));

        // The user's file changes the branch; the database still comes from the system file.
        QVERIFY(QFile::remove(path("empresa.sqlite")));
        write("config/klx/klx.ini", "[login]\nbranch=01\n");
        QCOMPARE(reportParams().value(QStringLiteral("processingDate")).toString(), matrizDate);
        QVERIFY(QFile::exists(path("empresa.sqlite")));
        QVERIFY(!QFile::exists(path("data/klx/klx-demo.sqlite")));

        // The command line wins over both.
        QCOMPARE(
            reportParams({"--branch", "02"}).value(QStringLiteral("processingDate")).toString(),
            campinasDate);
    }

    void configOptionTakesThePlaceOfTheUserFile()
    {
        write("etc/klx.ini", "[login]\nbranch=02\n");
        write("config/klx/klx.ini", "[database]\npath=" + path("usuario.sqlite") + "\n");
        write("outro.ini", "[database]\npath=" + path("outro.sqlite") + "\n");
        const QJsonObject params = reportParams({"--config", path("outro.ini")});
        QCOMPARE(params.value(QStringLiteral("processingDate")).toString(), campinasDate);
        QVERIFY(QFile::exists(path("outro.sqlite")));
        QVERIFY(!QFile::exists(path("usuario.sqlite")));
    }

    void badSettingNamesItsFile()
    {
        write("etc/klx.ini", "[database]\nengine=oracle\n");
        const Result result = klx({"report", "--params"});
        QCOMPARE(result.code, 2);
        QVERIFY2(result.err.contains(path("etc/klx.ini")) && result.err.contains("'oracle'"),
                 qPrintable(result.err));
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

    // Runs klx with the user's folders and the system-wide file inside the test's folder.
    Result klx(const QStringList& args)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
        environment.insert(QStringLiteral("KLX_SYSTEM_CONFIG"), path("etc/klx.ini"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KLX_BINARY_DIR "/bin/klx"), args);
        if (!process.waitForFinished(120000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // The parameters "klx report" would bind with the settings in force.
    QJsonObject reportParams(const QStringList& args = {})
    {
        const Result result = klx(QStringList{"report", "--params"} + args);
        if (result.code != 0)
            qWarning("klx report --params: %d %s", result.code, qPrintable(result.err));
        return QJsonDocument::fromJson(result.out.toUtf8()).object();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"

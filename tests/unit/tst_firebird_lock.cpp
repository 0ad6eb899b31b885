// The embedded Firebird engine's lock directory: one per user, the same for every process
// of that user, open to that user only; a path another user could have planted (a link, a
// file, a directory of theirs) is refused rather than used.

#include "DemoDatabase.h"
#include "base/Exceptions.h"
#include "data/FirebirdLockDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t permissionsOf(const QString& path)
{
    struct stat entry {};
    return lstat(QFile::encodeName(path).constData(), &entry) == 0 ? entry.st_mode & 07777 : 0;
}

// The reason a path is refused with, or "" when it is taken.
QString refusal(const QString& path)
{
    try {
        FirebirdLockDirectory::prepare(path);
        return QString();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
}

} // namespace

class TestFirebirdLock : public QObject {
    Q_OBJECT

private slots:
    void pathDependsOnTheUserAlone()
    {
        const QString path = FirebirdLockDirectory::defaultPath();
        QCOMPARE(path, QStringLiteral("/tmp/klx-firebird-lock-%1").arg(geteuid()));
        // Processes of one user may have different temporary folders and sessions.
        qputenv("TMPDIR", "/var/tmp");
        qputenv("XDG_RUNTIME_DIR", "/run/user/elsewhere");
        QCOMPARE(FirebirdLockDirectory::defaultPath(), path);
        qunsetenv("TMPDIR");
        qunsetenv("XDG_RUNTIME_DIR");
    }

    void madePrivateToTheUser()
    {
        QTemporaryDir work;
        const QString made = work.filePath(QStringLiteral("made"));
        QCOMPARE(refusal(made), QString());
        QVERIFY(QFileInfo(made).isDir());
        QCOMPARE(permissionsOf(made), mode_t(0700));
        // A directory of the user's own that others could enter is closed to them.
        const QString open = work.filePath(QStringLiteral("open"));
        QVERIFY(QDir().mkdir(open));
        QVERIFY(chmod(QFile::encodeName(open).constData(), 0777) == 0);
        QCOMPARE(refusal(open), QString());
        QCOMPARE(permissionsOf(open), mode_t(0700));
    }

    void plantedPathsRefused()
    {
        QTemporaryDir work;
        const QString target = work.filePath(QStringLiteral("target"));
        QVERIFY(QDir().mkdir(target));
        const QString link = work.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(target, link));
        QVERIFY(refusal(link).endsWith(QStringLiteral("é um link simbólico.")));
        const QString file = work.filePath(QStringLiteral("file"));
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        QVERIFY(refusal(file).endsWith(QStringLiteral("não é um diretório.")));
        QVERIFY(refusal(file).contains(file));

        if (geteuid() != 0)
            QSKIP("Only root can give a directory to another user.");
        const QString others = work.filePath(QStringLiteral("others"));
        QVERIFY(QDir().mkdir(others));
        QVERIFY(chmod(QFile::encodeName(others).constData(), 0755) == 0);
        QVERIFY(chown(QFile::encodeName(others).constData(), 65534, 65534) == 0);
        QVERIFY(refusal(others).endsWith(QStringLiteral("pertence a outro usuário.")));
        QCOMPARE(permissionsOf(others), mode_t(0755)); // left as it was
    }

    // Opening a database with the embedded engine puts the user's directory in the
    // environment the client library reads, made private.
    void embeddedEngineUsesIt()
    {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QIBASE")))
            QSKIP("The Qt Firebird driver (QIBASE, libqt6sql6-ibase) is not installed.");
        qunsetenv("FIREBIRD_LOCK");
        QTemporaryDir work;
        createDemoDatabase(work.filePath(QStringLiteral("demo.fdb")),
                           DatabaseConfig::Engine::Firebird);
        const QString path = FirebirdLockDirectory::defaultPath();
        QCOMPARE(qEnvironmentVariable("FIREBIRD_LOCK"), path);
        QCOMPARE(permissionsOf(path), mode_t(0700));
    }
};

QTEST_GUILESS_MAIN(TestFirebirdLock)
#include "tst_firebird_lock.moc"

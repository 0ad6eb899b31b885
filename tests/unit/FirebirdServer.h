#pragma once

// The Firebird server that tools/firebird-server.sh starts (127.0.0.1/3057, or the address in
// KLX_TEST_FIREBIRD_SERVER), for the tests that reach a database over TCP. Without a server
// those tests skip, saying why.

#include "base/Exceptions.h"
#include "data/FirebirdAddress.h"
#include "data/dtmDBGeral.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>

namespace FirebirdServer {

inline QString address()
{
    const QString address = qEnvironmentVariable("KLX_TEST_FIREBIRD_SERVER");
    return address.isEmpty() ? QStringLiteral("127.0.0.1/3057") : address;
}

// Why the tests cannot reach the server; empty when they can.
inline QString unavailable()
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QIBASE")))
        return QStringLiteral(
            "The Qt Firebird driver (QIBASE, libqt6sql6-ibase) is not installed.");
    const auto server = FirebirdAddress::serverOf(address() + QStringLiteral(":/x.fdb"));
    if (!server)
        return QStringLiteral("KLX_TEST_FIREBIRD_SERVER is not HOST/PORT: ") + address();
    try {
        FirebirdAddress::requireReachable(*server, 2000);
    } catch (const Exception&) {
        return QStringLiteral("No Firebird server at %1: start one with "
                              "'bash tools/firebird-server.sh start'.")
            .arg(address());
    }
    return QString();
}

// The password of a test operator (ADM, OPER) on the server: the file the tests' set-up
// (tests/server/operators-setup.sh) wrote.
inline QString passwordOf(const QString& operatorCode)
{
    QFile file(qEnvironmentVariable("KLX_TEST_PASSWORDS") + QLatin1Char('/') + operatorCode +
               QStringLiteral(".pw"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readLine()).trimmed();
}

// The server's name for a local file.
inline QString pathOn(const QString& file)
{
    return address() + QLatin1Char(':') + QFileInfo(file).absoluteFilePath();
}

// A fresh demo database in the folder, made by the embedded engine and then opened through
// the server (which reads the file by its path on this machine) as the operator, or as its
// owner SYSDBA when none is given (test data, sequences).
inline std::unique_ptr<TdtmDBGeral> openDemo(const QTemporaryDir& dir, const QString& name,
                                             const QString& operatorCode = QString())
{
    const QString file = dir.filePath(name);
    {
        TdtmDBGeral embedded;
        DatabaseConfig config;
        config.engine = DatabaseConfig::Engine::Firebird;
        config.path = dir.filePath(QStringLiteral("embedded-") + name);
        config.createWithDemoData = true;
        config.administrator = true;
        embedded.open(config);
        embedded.close();
        QFile::copy(config.path, file);
    }
    auto module = std::make_unique<TdtmDBGeral>();
    DatabaseConfig config;
    config.engine = DatabaseConfig::Engine::Firebird;
    config.path = pathOn(file);
    if (operatorCode.isEmpty()) {
        config.administrator = true;
        config.user = QStringLiteral("SYSDBA");
        config.password = qEnvironmentVariable("KLX_SYSDBA_PASSWORD");
    } else {
        config.user = operatorCode;
        config.password = passwordOf(operatorCode);
    }
    module->open(config);
    return module;
}

} // namespace FirebirdServer

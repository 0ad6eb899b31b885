#include "data/FirebirdAddress.h"

#include "base/Exceptions.h"

#include <QRegularExpression>
#include <QTcpSocket>

namespace FirebirdAddress {

bool isLocal(const QString& path)
{
    if (path.startsWith(QLatin1Char('/')))
        return true;
    const qsizetype colon = path.indexOf(QLatin1Char(':'));
    return colon < 0 || (colon == 1 && path.at(0).isLetter());
}

std::optional<Server> serverOf(const QString& path)
{
    if (isLocal(path))
        return std::nullopt;
    // "inet://host[:port]/path" (also inet4, inet6); "host[/port]:path". An IPv6 address
    // is written in brackets.
    static const QRegularExpression url(
        QStringLiteral("^inet[46]?://(\\[[^\\]]+\\]|[^:/]+)(?::([^/]*))?/"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression legacy(
        QStringLiteral("^(\\[[^\\]]+\\]|[^:/\\[]+)(?:/([^:]*))?:"));
    QRegularExpressionMatch match = url.match(path);
    if (!match.hasMatch()) {
        if (path.contains(QStringLiteral("://")))
            return std::nullopt;
        match = legacy.match(path);
        if (!match.hasMatch())
            return std::nullopt;
    }
    Server server;
    server.host = match.captured(1);
    if (server.host.startsWith(QLatin1Char('[')))
        server.host = server.host.mid(1, server.host.size() - 2);
    const QString port = match.captured(2);
    if (!port.isEmpty()) {
        bool ok = false;
        server.port = port.toUShort(&ok);
        if (!ok || server.port == 0)
            return std::nullopt;
    }
    return server;
}

void requireReachable(const Server& server, int timeoutMs)
{
    QTcpSocket socket;
    socket.connectToHost(server.host, server.port);
    if (socket.waitForConnected(timeoutMs)) {
        socket.abort();
        return;
    }
    QString reason;
    switch (socket.error()) {
    case QAbstractSocket::ConnectionRefusedError:
        reason = QStringLiteral("conexão recusada: nenhum servidor atende nessa porta");
        break;
    case QAbstractSocket::HostNotFoundError:
        reason = QStringLiteral("endereço desconhecido");
        break;
    case QAbstractSocket::SocketTimeoutError:
        reason = QStringLiteral("sem resposta em %1 s").arg(timeoutMs / 1000);
        break;
    case QAbstractSocket::NetworkError:
        reason = QStringLiteral("rede inacessível");
        break;
    default:
        reason = socket.errorString();
        break;
    }
    throw EDatabaseUnavailable(
        QStringLiteral("Não foi possível conectar ao servidor Firebird %1, porta %2: %3.")
            .arg(server.host)
            .arg(server.port)
            .arg(reason));
}

} // namespace FirebirdAddress

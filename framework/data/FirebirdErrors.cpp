#include "data/FirebirdErrors.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QStringList>

namespace FirebirdErrors {

bool connectionLost(const QSqlError& error)
{
    // The client library's messages for a connection that broke (network errors, all with
    // SQLCODE -902).
    static const QStringList lost{
        QStringLiteral("Error reading data from the connection"),
        QStringLiteral("Error writing data to the connection"),
        QStringLiteral("Unable to complete network request"),
        QStringLiteral("Connection lost to database"),
        QStringLiteral("connection shutdown"),
    };
    const QString text = error.databaseText();
    for (const QString& words : lost)
        if (text.contains(words, Qt::CaseInsensitive))
            return true;
    return false;
}

QString readRefused(const QSqlError& error)
{
    static const QRegularExpression refused(
        QStringLiteral("no permission for SELECT access to (?:TABLE|VIEW) \"?(\\w+)"));
    return refused.match(error.databaseText()).captured(1);
}

} // namespace FirebirdErrors

namespace FirebirdErrors {

namespace {

struct Translation {
    QRegularExpression pattern;
    QString text; // %1, %2: the pattern's captures
};

const QList<Translation>& translations()
{
    const auto rule = [](const char* pattern, const char* text) {
        return Translation{QRegularExpression(QString::fromUtf8(pattern),
                                              QRegularExpression::CaseInsensitiveOption |
                                                  QRegularExpression::DotMatchesEverythingOption),
                           QString::fromUtf8(text)};
    };
    // The most particular first: an I/O error names its operation, then its cause.
    static const QList<Translation> known{
        rule("user name and password are not defined", "usuário ou senha inválidos"),
        rule("\"open O_CREAT\" operation for file \"([^\"]*)\".*File exists",
             "o arquivo %1 já existe"),
        rule("\"open O_CREAT\" operation for file \"([^\"]*)\".*Permission denied",
             "o servidor não tem permissão para criar %1 (a pasta deve pertencer ao usuário "
             "do servidor, firebird)"),
        rule("\"open O_CREAT\" operation for file \"([^\"]*)\".*No such file or directory",
             "a pasta de %1 não existe no servidor"),
        rule("\"open\" operation for file \"([^\"]*)\".*No such file or directory",
             "o arquivo %1 não existe no servidor"),
        rule("\"open\" operation for file \"([^\"]*)\".*Permission denied",
             "o servidor não tem permissão para abrir %1 (o arquivo deve pertencer ao usuário "
             "do servidor, firebird)"),
        rule("operation for file \"([^\"]*)\".*Permission denied",
             "sem permissão para o arquivo %1"),
        rule("violation of PRIMARY or UNIQUE KEY constraint \"[^\"]*\" on table \"PLG\\$",
             "o usuário já existe no servidor"),
        rule("violation of PRIMARY or UNIQUE KEY constraint \"[^\"]*\" on table \"(\\w+)\""
             ".*Problematic key value is \\((.*)\\)",
             "já existe em %1 uma linha com a chave %2"),
        rule("violation of PRIMARY or UNIQUE KEY constraint \"[^\"]*\" on table \"(\\w+)\"",
             "já existe em %1 uma linha com essa chave"),
        rule("record not found for user: (\\w+)", "o usuário %1 não existe no servidor"),
        rule("no permission for (\\w+) access to \\w+ \"?(\\w+)",
             "o usuário não tem permissão de %1 em %2"),
        rule("object .* is in use",
             "um objeto do banco está em uso por outra conexão: feche os programas que usam o "
             "banco e tente de novo"),
        rule("lock conflict|deadlock|update conflicts with concurrent update",
             "a linha está em uso por outra conexão: tente de novo"),
        rule("database .* shutdown", "o banco está fechado para manutenção (shutdown)"),
        rule("operation was cancelled", "operação cancelada"),
        rule("exception \\d+\\W+KLX_\\w+\\W+(.*?)(?:\\n|$)", "%1"),
    };
    return known;
}

} // namespace

QString inPortuguese(const QString& databaseText)
{
    for (const Translation& translation : translations()) {
        const QRegularExpressionMatch match = translation.pattern.match(databaseText);
        if (!match.hasMatch())
            continue;
        // One call with every capture: a capture holding "%2" is not read as a place.
        switch (match.lastCapturedIndex()) {
        case 0:
            return translation.text;
        case 1:
            return translation.text.arg(match.captured(1).trimmed());
        default:
            return translation.text.arg(match.captured(1).trimmed(), match.captured(2).trimmed());
        }
    }
    return databaseText.simplified();
}

QString inPortuguese(const QSqlError& error)
{
    const QString database = error.databaseText().trimmed();
    return database.isEmpty() ? error.text() : inPortuguese(database);
}

} // namespace FirebirdErrors

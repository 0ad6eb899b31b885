#include "NewPassword.h"

#include "AdminOptions.h"
#include "Password.h"
#include "base/Exceptions.h"

namespace NewPassword {

namespace {

QString typedTwice(const QString& user)
{
    const auto first = Password::ask(QStringLiteral("Nova senha de %1: ").arg(user));
    if (!first)
        throw Exception(QStringLiteral("informe a senha de %1 com --password-file ARQ (modo 600) "
                                       "ou rode num terminal")
                            .arg(user));
    const auto second = Password::ask(QStringLiteral("Repita a senha de %1: ").arg(user));
    if (!second || *second != *first)
        throw Exception(QStringLiteral("as duas senhas digitadas para %1 diferem; nada foi "
                                       "mudado")
                            .arg(user));
    return *first;
}

} // namespace

QString obtain(const QString& file, const QString& user)
{
    QString password;
    if (file.isEmpty()) {
        password = typedTwice(user);
    } else {
        try {
            password = Password::fromFile(file);
        } catch (const ELoginRefused& e) {
            throw EBadCommandLine(QStringLiteral("--password-file: ") + e.Message());
        }
    }
    if (password.size() < minimumLength)
        throw Exception(QStringLiteral("a senha de %1 tem %2 caracteres; use ao menos %3")
                            .arg(user)
                            .arg(password.size())
                            .arg(minimumLength));
    return password;
}

} // namespace NewPassword

#include "HostLogin.h"

#include "base/Exceptions.h"

namespace HostLogin {

bool asks(HostOptions& options)
{
    if (options.database.createWithDemoData)
        return false;
    if (!options.needsPassword())
        return options.database.user.isEmpty();
    try {
        options.requirePassword(false);
        return false;
    } catch (const ELoginRefused&) {
        return true;
    }
}

std::unique_ptr<LoginDialog> dialog(const HostOptions& options,
                                    std::unique_ptr<HostSession>& session)
{
    auto login =
        std::make_unique<LoginDialog>(options.database.path, options.needsPassword(),
                                      [options, &session](const LoginDialog::Login& typed) {
                                          HostOptions tried = options;
                                          tried.database.user = tried.operatorCode =
                                              typed.operatorCode;
                                          tried.database.password = typed.password;
                                          tried.branch = typed.branch;
                                          session = std::make_unique<HostSession>(tried);
                                      });
    login->fill(options.operatorCode, QString());
    return login;
}

} // namespace HostLogin

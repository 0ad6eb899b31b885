#pragma once

#include "HostOptions.h"
#include "HostSession.h"
#include "LoginDialog.h"

#include <memory>

// How the host logs in: straight away when it knows who, else through its login dialog, whose
// "Entrar" opens the session as the operator typed.
namespace HostLogin {

// Whether the host asks who logs in: always on a Firebird server (for the password, unless a
// file or KLX_PASSWORD gives it), and when no operator is named for any other database. The
// demo database logs in as ADM without asking. Reads the password it is given.
bool asks(HostOptions& options);

// The login dialog for these options. "Entrar" opens a session with the operator, password
// and branch typed; the session goes to `session` and the dialog is accepted. A refusal stays
// in the dialog, for another try.
std::unique_ptr<LoginDialog> dialog(const HostOptions& options,
                                    std::unique_ptr<HostSession>& session);

} // namespace HostLogin

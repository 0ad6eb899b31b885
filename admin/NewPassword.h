#pragma once

#include <QString>

// A server login's new password: from a file (its first line, the file kept from other
// users), else typed twice on a terminal without echo. Never written anywhere.
namespace NewPassword {

constexpr int minimumLength = 8;

// Raises EBadCommandLine for a file that cannot be used and an Exception for a password too
// short, two typings that differ, or neither a file nor a terminal.
QString obtain(const QString& file, const QString& user);

} // namespace NewPassword

#pragma once

#include <QString>
#include <optional>

// Where a password comes from when no dialog asks for it: a file kept from other users, or a
// terminal that does not echo it. A password is never written anywhere.
namespace Password {

// Whether group or others may read the file.
bool readableByOthers(const QString& path);

// The password a file holds: its first line. Raises ELoginRefused naming the file when it is
// missing, no regular file, or readable by group or others (as psql refuses its password
// file), with the command that fixes it.
QString fromFile(const QString& path);

// Asks on the terminal, without echo; std::nullopt when standard input is no terminal.
std::optional<QString> ask(const QString& prompt);

} // namespace Password

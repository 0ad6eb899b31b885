#pragma once

#include <QString>

// The directory where the embedded Firebird engine keeps the lock files of the databases
// it opens (FIREBIRD_LOCK). Every process that opens one database file must use the same
// one, or the file can be damaged; a directory other users may write would let them
// interfere with those locks. So each user has one directory of its own, at a path that
// depends on the user alone (not on TMPDIR or a session's variables, which differ between
// a user's processes), open to that user only.
namespace FirebirdLockDirectory {

// The user's directory: /tmp/klx-firebird-lock-UID on Unix.
QString defaultPath();

// Makes the directory when it is missing and leaves it open to its owner only (mode 0700).
// Raises EDatabaseError naming it when it is not a directory of the user's own: a
// symbolic link, a file, or a directory of another user.
void prepare(const QString& path);

} // namespace FirebirdLockDirectory

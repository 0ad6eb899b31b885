#pragma once

#include "base/CoreExport.h"

#include <QFile>
#include <QString>
#include <memory>

// A scratch file with no name: made in a folder and unlinked at once, so that it goes with its
// last descriptor however the process ends (a crash or SIGKILL included) and nothing is left
// behind to clean up.
namespace AnonymousFile {

// The file, open for reading and writing, in the folder; raises an Exception, in Portuguese,
// when the folder takes no file.
KLX_CORE_EXPORT std::unique_ptr<QFile> create(const QString& folder);

} // namespace AnonymousFile

#pragma once

#include "HostOptions.h"
#include "report/output/ReportOutput.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace host {

// What `klx report` was asked on its command line: the screen's criteria by name, as written
// (the screen reads them), the output and the host's options.
struct ReportRequest {
    QJsonObject criteria;
    std::optional<QString> filter; // a saved criteria set, applied before the criteria
    QString output;
    ReportOutput::Options outputOptions;
    bool params = false;
    bool quiet = false;
    HostOptions host;

    // Reads the arguments after "report", the criteria by the names the screen takes; a bad
    // command line raises an Exception with the reason.
    static ReportRequest parse(const QStringList& args, const QStringList& criterionNames);
};

} // namespace host

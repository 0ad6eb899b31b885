#pragma once

#include "HostOptions.h"
#include "report/output/ReportOutput.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace host {

// What `klx report` was asked on its command line: the criteria, checked for form but not
// yet applied to the screen, the output and the host's options.
struct ReportRequest {
    std::optional<int> report;
    std::optional<QStringList> companies, accounts;
    std::optional<QString> emissionFrom, emissionTo, clearingFrom, clearingTo;
    std::optional<QString> chequeFrom, chequeTo;
    std::optional<QStringList> states;
    std::optional<int> reconciliation;
    std::optional<QString> filter; // a saved criteria set, applied before the options above
    QString output;
    ReportOutput::Options outputOptions;
    bool params = false;
    bool quiet = false;
    HostOptions host;

    // Reads the arguments after "report"; a bad command line raises an Exception with the
    // reason.
    static ReportRequest parse(const QStringList& args);
};

} // namespace host

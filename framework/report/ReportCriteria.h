#pragma once

#include <QString>

class TParams;

// The criteria in force, read back from a report query's bound parameters, as one line a
// reader can check against the rows: only the criteria whose parameters the query declares,
// each as the report's SQL applies it (an unassigned parameter switches its filter off).
namespace ReportCriteria {

QString summary(const TParams& params);

} // namespace ReportCriteria

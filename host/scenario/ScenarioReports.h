#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The report definitions a scenario case's screen lists: the shipped ones, with their files,
// titles, order and layouts. A case's report query declares what the case says ("declare"):
// by default every parameter the screen binds, in a query of the driver's that reads no row;
// or, for "declare report", the shipped query itself.
namespace ScenarioReports {

// Writes the catalog into the folder, replacing what it holds. With names, every query
// declares exactly those; without, every report keeps its own query.
void write(const QString& shipped, const QString& folder,
           const std::optional<QStringList>& declared);

} // namespace ScenarioReports

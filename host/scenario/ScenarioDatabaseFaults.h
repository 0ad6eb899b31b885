#pragma once

// The scenario driver's database faults ("db fail"), made below the program: the engines' Qt
// SQL drivers (QSQLITE, QIBASE) are registered again, for this process only, as the same
// drivers wrapped, so that an armed fault makes the next query that reads rows fail as a lost
// connection would, on whatever connection it runs: the shared one, or a report's own.
namespace ScenarioDatabaseFaults {

// Wraps the drivers; before the first connection opens.
void install();
// The next query that reads rows fails with "conexão perdida".
void armQuery();

} // namespace ScenarioDatabaseFaults

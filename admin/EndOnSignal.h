#pragma once

// SIGTERM and SIGINT end klx-admin at once, whatever it waits for (a server that stopped
// answering in the middle of a statement included): a thread of its own waits for them,
// which every other thread blocks, says so and ends the process with 128 + the signal's
// number. What the command was changing goes with it: its transaction is never committed, and
// the server, or SQLite's journal on the next opening, undoes it.
namespace EndOnSignal {

// Call first thing in main(), before any other thread starts (threads take the signal mask
// of the thread that starts them).
void install();

} // namespace EndOnSignal

#pragma once

// SIGTERM and SIGINT end the program through its event loop. Every thread blocks them but
// one of ours, which waits for them and has the main thread leave every event loop with exit
// code 128 + the signal's number: neither the Firebird client library's own handlers (which
// would keep the process alive) nor a signal landing in one of its threads mid-call get in
// the way. A report running in such a loop is cancelled on the way out: its temporary file
// goes, the file it would replace stays. A second signal ends the process at once.
namespace Interruption {

// Blocks the signals and starts the waiting thread; call first thing in main(), before any
// other thread starts (threads take the mask of the one that starts them). Once only.
void install();

// The signal that asked the program to end; 0 when none did.
int signalNumber();

} // namespace Interruption

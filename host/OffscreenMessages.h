#pragma once

// Keeps the offscreen platform's warnings about window features it lacks, and Qt's note
// about a missing runtime folder, out of the output of headless runs; every other message
// passes on.
void quietOffscreenWarnings();

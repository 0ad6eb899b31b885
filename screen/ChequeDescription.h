#pragma once

#include "form/ScreenTable.h"

// The table that describes the screen to its host: its form, its controls by role, the
// module variables and the report parameters it binds, from the names the screen's own code
// uses.
const ScreenTable& chequeScreenTable();

#pragma once

#include "form/ScreenTable.h"

// The criteria routines of the screen's table (ScreenTable::checkCriteria, applyCriteria,
// loadCriteriaSet): the host's calls, by C linkage, into the screen's own criteria.
namespace ChequeCriteriaEntries {

int check(const char* criteria, ScreenCriteriaNote note, void* context);
int apply(const char* criteria, ScreenCriteriaNote note, void* context);
int loadSet(const char* name, ScreenCriteriaNote note, void* context);

} // namespace ChequeCriteriaEntries

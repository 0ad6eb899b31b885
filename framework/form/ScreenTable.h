#pragma once

#include <cstddef>

// The table a screen module exports to describe itself to its host: a function
// "DescribeScreen" with C linkage, like IniProc, returning a ScreenTable. Plain C data and C
// functions, so that the host copies what it reads and keeps nothing that points into the
// module: it reads the table again for each call of a routine (ScreenCriteria).
extern "C" {

// What a module variable holds: bool, int, QString, or a QString that is a code list.
enum ScreenVariableType {
    ScreenVariableBool,
    ScreenVariableInt,
    ScreenVariableText,
    ScreenVariableCompanyCodes,
    ScreenVariableAccountCodes
};

struct ScreenTableControl {
    const char* role; // one of ScreenRole, or a role of the screen's own
    const char* name; // the control's object name in the form description
};

struct ScreenTableVariable {
    const char* name; // the exported symbol
    int type;         // a ScreenVariableType
    const char* role; // one of ScreenRole, or nullptr
};

// A criterion the screen takes from its host by name (`klx report --NAME VALUE`), with the
// help the host shows for it. UTF-8.
struct ScreenTableCriterion {
    const char* name;  // "companies"
    const char* value; // what the value is, for the help: "01,02"
    const char* help;  // lines separated by '\n'
};

// What the screen's criteria routines answer.
enum ScreenCriteriaResult {
    ScreenCriteriaApplied = 0,
    // The screen refused the criteria: its message was shown, or a note says why.
    ScreenCriteriaRefused = 1,
    // A value is not of its criterion's form: a note says which; nothing was applied.
    ScreenCriteriaMalformed = 2
};

// Takes a note of a criteria routine: the criterion it concerns (nullptr: none) and the text,
// both UTF-8, valid during the call.
using ScreenCriteriaNote = void (*)(void* context, const char* criterion, const char* text);
// A criteria routine: the criteria are a UTF-8 JSON object of names and texts (or the name of
// a saved set); returns a ScreenCriteriaResult.
using ScreenCriteriaFunction = int (*)(const char* criteria, ScreenCriteriaNote note,
                                       void* context);

struct ScreenTable {
    int version; // screenTableVersion
    const char* formName;
    const ScreenTableControl* controls;
    std::size_t controlCount;
    const ScreenTableVariable* variables;
    std::size_t variableCount;
    // The report query parameters the screen binds, in its order.
    const char* const* parameters;
    std::size_t parameterCount;

    // Since version 2.
    const char* screenCode; // the code the screen shows; its saved criteria sets go by it
    const char* title;      // its entry in the host's menu; '&' marks the entry's key
    const ScreenTableCriterion* criteria;
    std::size_t criterionCount;
    // Checks the criteria's form, without a form open: Applied or Malformed.
    ScreenCriteriaFunction checkCriteria;
    // Puts the criteria on the open form through its controls and handlers, as a user would;
    // a criterion it cannot apply as asked (a disabled field, a code not offered) refuses.
    ScreenCriteriaFunction applyCriteria;
    // Loads the operator's saved set of that name on the open form, as the screen's own menu
    // does: what it can no longer apply is shown; a check of the screen refuses.
    ScreenCriteriaFunction loadCriteriaSet;
};

using DescribeScreenFunction = const ScreenTable* (*)();
}

// The layout of ScreenTable; a module built against another is refused. Version 2 added the
// screen's code, title and criteria.
inline constexpr int screenTableVersion = 2;

// What hosts ask a report screen for, by role rather than by the screen's own names.
namespace ScreenRole {
inline constexpr char reportList[] = "reportList";
inline constexpr char print[] = "print";
inline constexpr char preview[] = "preview";
inline constexpr char saveAs[] = "saveAs";
inline constexpr char edit[] = "edit";
// A variable: true from the form's creation until its first activation set the defaults.
inline constexpr char defaultsPending[] = "defaultsPending";
} // namespace ScreenRole

#pragma once

#include <cstddef>

// The table a screen module exports to describe itself to its host: a function
// "DescribeScreen" with C linkage, like IniProc, returning a ScreenTable. Plain C data, so
// that the host copies what it reads and keeps nothing that points into the module.
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
    const char* role; // one of ScreenRole
    const char* name; // the control's object name in the form description
};

struct ScreenTableVariable {
    const char* name; // the exported symbol
    int type;         // a ScreenVariableType
    const char* role; // one of ScreenRole, or nullptr
};

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
};

using DescribeScreenFunction = const ScreenTable* (*)();
}

// The layout of ScreenTable; a module built against another is refused.
inline constexpr int screenTableVersion = 1;

// What hosts ask a screen for, by role rather than by the screen's own names.
namespace ScreenRole {
inline constexpr char reportList[] = "reportList";
inline constexpr char companiesAll[] = "companiesAll";
inline constexpr char companiesList[] = "companiesList";
inline constexpr char companiesSearch[] = "companiesSearch";
inline constexpr char accountsAll[] = "accountsAll";
inline constexpr char accountsList[] = "accountsList";
inline constexpr char accountsSearch[] = "accountsSearch";
inline constexpr char emissionFrom[] = "emissionFrom";
inline constexpr char emissionTo[] = "emissionTo";
inline constexpr char clearingFrom[] = "clearingFrom";
inline constexpr char clearingTo[] = "clearingTo";
inline constexpr char checkFrom[] = "checkFrom";
inline constexpr char checkTo[] = "checkTo";
inline constexpr char stateIssued[] = "stateIssued";
inline constexpr char stateCancelled[] = "stateCancelled";
inline constexpr char stateAvailable[] = "stateAvailable";
inline constexpr char reconciliation[] = "reconciliation";
inline constexpr char print[] = "print";
inline constexpr char preview[] = "preview";
inline constexpr char saveAs[] = "saveAs";
inline constexpr char edit[] = "edit";
inline constexpr char filters[] = "filters";
// A variable: true from the form's creation until its first activation set the defaults.
inline constexpr char defaultsPending[] = "defaultsPending";
} // namespace ScreenRole

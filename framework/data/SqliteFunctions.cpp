#include "data/SqliteFunctions.h"

#include "data/DatabaseWait.h"

#include "base/Exceptions.h"
#include "data/Dbgeral.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <algorithm>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Text of a value; a NULL pointer (an empty blob, say) reads as the empty text.
std::string_view textOf(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    const int bytes = sqlite3_value_bytes(value);
    return text ? std::string_view(text, static_cast<size_t>(bytes)) : std::string_view();
}

void charIndex(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::string_view needle = textOf(argv[0]);
    const std::string_view haystack = textOf(argv[1]);
    const size_t at = needle.empty() ? std::string_view::npos : haystack.find(needle);
    if (at == std::string_view::npos) {
        sqlite3_result_int(context, 0);
        return;
    }
    // A byte match of valid UTF-8 is a character match; count characters, not bytes.
    const auto prefix = haystack.substr(0, at);
    const auto continuation = std::count_if(prefix.begin(), prefix.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    });
    sqlite3_result_int64(context, static_cast<sqlite3_int64>(at) - continuation + 1);
}

void operatorOf(sqlite3_context* context, int, sqlite3_value**)
{
    const auto* name = static_cast<const std::string*>(sqlite3_user_data(context));
    sqlite3_result_text(context, name->data(), static_cast<int>(name->size()), SQLITE_TRANSIENT);
}

void deleteOperator(void* name)
{
    delete static_cast<std::string*>(name);
}

// PARAM and CODES: eponymous-only virtual tables with one text column and a hidden
// column for the argument that the table-valued call NAME(x) constrains. Each yields the
// rows its function makes of the argument (nullptr when the call has none).
enum TableColumn { TableText = 0, TableArgument = 1 };

struct TableFunction {
    const char* schema;
    std::vector<std::string> (*rowsOf)(sqlite3_value* argument);
    double estimatedRows;
};

std::vector<std::string> paramRows(sqlite3_value* argument)
{
    return {argument ? std::string(textOf(argument)) : std::string()};
}

// The codes of a code list, split by the rule the framework writes lists with.
std::vector<std::string> codeRows(sqlite3_value* argument)
{
    std::vector<std::string> rows;
    if (!argument || sqlite3_value_type(argument) == SQLITE_NULL)
        return rows;
    const std::string_view list = textOf(argument);
    const QStringList codes =
        Dbgeral::codesOf(QString::fromUtf8(list.data(), static_cast<qsizetype>(list.size())));
    rows.reserve(static_cast<size_t>(codes.size()));
    for (const QString& code : codes)
        rows.push_back(code.toStdString());
    return rows;
}

const TableFunction paramFunction{"CREATE TABLE x(PARAM TEXT, PARAM_ARGUMENT HIDDEN)", paramRows,
                                  1.0};
const TableFunction codesFunction{"CREATE TABLE x(CODE TEXT, LIST HIDDEN)", codeRows, 100.0};

struct FunctionTable : sqlite3_vtab {
    const TableFunction* function = nullptr;
};

struct FunctionCursor : sqlite3_vtab_cursor {
    std::string argument;
    std::vector<std::string> rows;
    size_t at = 0;
};

FunctionCursor* cursorOf(sqlite3_vtab_cursor* cursor)
{
    return static_cast<FunctionCursor*>(cursor);
}

int tableConnect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** table, char**)
{
    const auto* function = static_cast<const TableFunction*>(aux);
    const int rc = sqlite3_declare_vtab(db, function->schema);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_vtab_config(db, SQLITE_VTAB_INNOCUOUS);
    auto* created = new FunctionTable{};
    created->function = function;
    *table = created;
    return SQLITE_OK;
}

int tableDisconnect(sqlite3_vtab* table)
{
    delete static_cast<FunctionTable*>(table);
    return SQLITE_OK;
}

int tableBestIndex(sqlite3_vtab* table, sqlite3_index_info* info)
{
    int argument = -1;
    bool unusableArgument = false;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& constraint = info->aConstraint[i];
        if (constraint.iColumn != TableArgument || constraint.op != SQLITE_INDEX_CONSTRAINT_EQ)
            continue;
        if (constraint.usable)
            argument = i;
        else
            unusableArgument = true;
    }
    if (argument >= 0) {
        info->aConstraintUsage[argument].argvIndex = 1;
        info->aConstraintUsage[argument].omit = 1;
        info->idxNum = 1;
    } else if (unusableArgument) {
        // The argument depends on a table not yet scanned: make the planner
        // choose an order that provides it.
        return SQLITE_CONSTRAINT;
    }
    const double rows = static_cast<FunctionTable*>(table)->function->estimatedRows;
    info->estimatedCost = rows;
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    if (rows <= 1.0)
        info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
    return SQLITE_OK;
}

int tableOpen(sqlite3_vtab*, sqlite3_vtab_cursor** cursor)
{
    *cursor = new FunctionCursor{};
    return SQLITE_OK;
}

int tableClose(sqlite3_vtab_cursor* cursor)
{
    delete cursorOf(cursor);
    return SQLITE_OK;
}

int tableFilter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc, sqlite3_value** argv)
{
    FunctionCursor* cursor = cursorOf(base);
    sqlite3_value* argument = (idxNum == 1 && argc > 0) ? argv[0] : nullptr;
    try {
        cursor->rows = static_cast<FunctionTable*>(base->pVtab)->function->rowsOf(argument);
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
    cursor->argument = argument ? std::string(textOf(argument)) : std::string();
    cursor->at = 0;
    return SQLITE_OK;
}

int tableNext(sqlite3_vtab_cursor* cursor)
{
    ++cursorOf(cursor)->at;
    return SQLITE_OK;
}

int tableEof(sqlite3_vtab_cursor* base)
{
    const FunctionCursor* cursor = cursorOf(base);
    return cursor->at >= cursor->rows.size() ? 1 : 0;
}

int tableColumn(sqlite3_vtab_cursor* base, sqlite3_context* context, int column)
{
    // The hidden column reads back as the argument given.
    const FunctionCursor* cursor = cursorOf(base);
    const std::string& text = column == TableArgument ? cursor->argument : cursor->rows[cursor->at];
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return SQLITE_OK;
}

int tableRowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid)
{
    *rowid = static_cast<sqlite3_int64>(cursorOf(cursor)->at) + 1;
    return SQLITE_OK;
}

sqlite3_module makeFunctionModule()
{
    sqlite3_module module{};
    module.xConnect = tableConnect; // no xCreate: eponymous-only
    module.xBestIndex = tableBestIndex;
    module.xDisconnect = tableDisconnect;
    module.xOpen = tableOpen;
    module.xClose = tableClose;
    module.xFilter = tableFilter;
    module.xNext = tableNext;
    module.xEof = tableEof;
    module.xColumn = tableColumn;
    module.xRowid = tableRowid;
    return module;
}

const sqlite3_module functionModule = makeFunctionModule();

} // namespace

int registerSqliteFunctions(sqlite3* db, const QString& operatorCode)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    const int rc = sqlite3_create_function_v2(db, "CHARINDEX", 2, flags, nullptr, charIndex,
                                              nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    // The view calls it: a function a view uses must be innocuous. SQLite frees the name
    // when the function is registered again or the connection closes.
    const int operatorRc = sqlite3_create_function_v2(
        db, "KLX_OPERADOR", 0, SQLITE_UTF8 | SQLITE_INNOCUOUS,
        new std::string(operatorCode.toStdString()), operatorOf, nullptr, nullptr, deleteOperator);
    if (operatorRc != SQLITE_OK)
        return operatorRc;
    // The modules only read the static descriptions they are given.
    const int paramRc = sqlite3_create_module_v2(
        db, "PARAM", &functionModule, const_cast<TableFunction*>(&paramFunction), nullptr);
    if (paramRc != SQLITE_OK)
        return paramRc;
    return sqlite3_create_module_v2(db, "CODES", &functionModule,
                                    const_cast<TableFunction*>(&codesFunction), nullptr);
}

sqlite3* sqliteHandle(const QSqlDatabase& db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

void registerSqliteFunctions(const QSqlDatabase& db, const QString& operatorCode)
{
    sqlite3* handle = sqliteHandle(db);
    if (!handle)
        throw EDatabaseError(QStringLiteral("A conexão '%1' não é um banco SQLite aberto.")
                                 .arg(db.connectionName()));
    sqlite3_busy_handler(
        handle, [](void*, int attempt) { return DatabaseWait::keepWaiting(attempt) ? 1 : 0; },
        nullptr);
    const int rc = registerSqliteFunctions(handle, operatorCode);
    if (rc != SQLITE_OK)
        throw EDatabaseError(
            QStringLiteral("Não foi possível registrar as funções SQL no banco de dados '%1': %2")
                .arg(db.databaseName(), QString::fromUtf8(sqlite3_errstr(rc))));
}

#include "data/SqliteFunctions.h"

#include "core/Exceptions.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <algorithm>
#include <sqlite3.h>
#include <string>
#include <string_view>

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

// PARAM: an eponymous-only virtual table. Column 0 is the row's text; column 1 is
// the hidden argument that the table-valued call PARAM(x) constrains.
enum ParamColumn { ParamText = 0, ParamArgument = 1 };

struct ParamCursor : sqlite3_vtab_cursor {
    std::string text;
    bool eof = true;
};

int paramConnect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** table, char**)
{
    const int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(PARAM TEXT, PARAM_ARGUMENT HIDDEN)");
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_vtab_config(db, SQLITE_VTAB_INNOCUOUS);
    *table = new sqlite3_vtab{};
    return SQLITE_OK;
}

int paramDisconnect(sqlite3_vtab* table)
{
    delete table;
    return SQLITE_OK;
}

int paramBestIndex(sqlite3_vtab*, sqlite3_index_info* info)
{
    int argument = -1;
    bool unusableArgument = false;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& constraint = info->aConstraint[i];
        if (constraint.iColumn != ParamArgument || constraint.op != SQLITE_INDEX_CONSTRAINT_EQ)
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
    info->estimatedCost = 1.0;
    info->estimatedRows = 1;
    info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
    return SQLITE_OK;
}

int paramOpen(sqlite3_vtab*, sqlite3_vtab_cursor** cursor)
{
    *cursor = new ParamCursor{};
    return SQLITE_OK;
}

ParamCursor* paramCursor(sqlite3_vtab_cursor* cursor)
{
    return static_cast<ParamCursor*>(cursor);
}

int paramClose(sqlite3_vtab_cursor* cursor)
{
    delete paramCursor(cursor);
    return SQLITE_OK;
}

int paramFilter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc, sqlite3_value** argv)
{
    ParamCursor* cursor = paramCursor(base);
    cursor->text = (idxNum == 1 && argc > 0) ? std::string(textOf(argv[0])) : std::string();
    cursor->eof = false;
    return SQLITE_OK;
}

int paramNext(sqlite3_vtab_cursor* cursor)
{
    paramCursor(cursor)->eof = true;
    return SQLITE_OK;
}

int paramEof(sqlite3_vtab_cursor* cursor)
{
    return paramCursor(cursor)->eof ? 1 : 0;
}

int paramColumn(sqlite3_vtab_cursor* base, sqlite3_context* context, int)
{
    // Both columns hold the text: the hidden one reads back as the argument given.
    const std::string& text = paramCursor(base)->text;
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return SQLITE_OK;
}

int paramRowid(sqlite3_vtab_cursor*, sqlite3_int64* rowid)
{
    *rowid = 1;
    return SQLITE_OK;
}

sqlite3_module makeParamModule()
{
    sqlite3_module module{};
    module.xConnect = paramConnect; // no xCreate: eponymous-only
    module.xBestIndex = paramBestIndex;
    module.xDisconnect = paramDisconnect;
    module.xOpen = paramOpen;
    module.xClose = paramClose;
    module.xFilter = paramFilter;
    module.xNext = paramNext;
    module.xEof = paramEof;
    module.xColumn = paramColumn;
    module.xRowid = paramRowid;
    return module;
}

const sqlite3_module paramModule = makeParamModule();

} // namespace

int registerSqliteFunctions(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    const int rc = sqlite3_create_function_v2(db, "CHARINDEX", 2, flags, nullptr, charIndex,
                                              nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    return sqlite3_create_module_v2(db, "PARAM", &paramModule, nullptr, nullptr);
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

void registerSqliteFunctions(const QSqlDatabase& db)
{
    sqlite3* handle = sqliteHandle(db);
    if (!handle)
        throw EDatabaseError(QStringLiteral("A conexão '%1' não é um banco SQLite aberto.")
                                 .arg(db.connectionName()));
    const int rc = registerSqliteFunctions(handle);
    if (rc != SQLITE_OK)
        throw EDatabaseError(
            QStringLiteral("Não foi possível registrar as funções SQL no banco de dados '%1': %2")
                .arg(db.databaseName(), QString::fromUtf8(sqlite3_errstr(rc))));
}

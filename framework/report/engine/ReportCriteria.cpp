#include "report/engine/ReportCriteria.h"

#include "data/Dbgeral.h"
#include "data/TParams.h"
#include "report/engine/ReportFormat.h"

#include <QDate>

namespace {

const TParam* find(const TParams& params, const char* name)
{
    return params.FindParam(QLatin1String(name));
}

bool declares(const TParams& params, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (find(params, name))
            return true;
    return false;
}

// A take-all flag is set, or left unassigned.
bool takesAll(const TParams& params, const char* flag, const QString& all = QStringLiteral("T"))
{
    const TParam* param = find(params, flag);
    return !param || !param->isAssigned() || param->AsString() == all;
}

QString text(const TParams& params, const char* name)
{
    const TParam* param = find(params, name);
    return param ? param->AsString() : QString();
}

// The date a parameter holds, as the SQL reads it: a date-time, or "YYYY-MM-DD" text.
QDate dateOf(const TParams& params, const char* name)
{
    const TParam* param = find(params, name);
    if (!param || !param->isAssigned())
        return QDate();
    if (param->kind() == TParam::Kind::DateTime)
        return DateTime::toDate(param->AsDateTime());
    return ReportFormat::dateOf(param->AsString());
}

QString range(const QDate& first, const QDate& last)
{
    if (first.isValid() && last.isValid())
        return QStringLiteral("%1 a %2").arg(ReportFormat::date(first), ReportFormat::date(last));
    if (first.isValid())
        return QStringLiteral("a partir de %1").arg(ReportFormat::date(first));
    if (last.isValid())
        return QStringLiteral("até %1").arg(ReportFormat::date(last));
    return QStringLiteral("qualquer data");
}

// A picked code list: every code, or "nenhuma".
ReportCriteria::Item codeItem(const QString& name, const QString& list)
{
    // Trimmed for reading: Firebird pads short CHAR codes.
    QStringList codes = Dbgeral::codesOf(list);
    for (QString& code : codes)
        code = code.trimmed();
    return {name, codes.isEmpty() ? QStringLiteral("nenhuma") : codes.join(QStringLiteral(", ")),
            codes};
}

// Lists longer than this are summarised on a page.
constexpr int codesShownInFull = 10;
constexpr int codesShownInSummary = 3;

} // namespace

QList<ReportCriteria::Item> ReportCriteria::items(const TParams& params)
{
    QList<Item> parts;
    if (declares(params, {"P_CDEMPRESA", "P_TCDEMPRESA"}))
        parts << (takesAll(params, "P_TCDEMPRESA")
                      ? Item{QStringLiteral("Empresas"), QStringLiteral("todas"), {}}
                      : codeItem(QStringLiteral("Empresas"), text(params, "P_CDEMPRESA")));
    if (declares(params, {"P_CDREDUCONT", "P_TCDREDUCONT"}))
        parts << (takesAll(params, "P_TCDREDUCONT")
                      ? Item{QStringLiteral("Contas"), QStringLiteral("todas"), {}}
                      : codeItem(QStringLiteral("Contas"), text(params, "P_CDREDUCONT")));
    if (declares(params, {"P_DTINI", "P_DTFIN"}))
        parts << Item{QStringLiteral("Emissão"),
                      range(dateOf(params, "P_DTINI"), dateOf(params, "P_DTFIN")),
                      {}};
    if (declares(params, {"P_TDTCOMP", "P_DTCOMPINI", "P_DTCOMPFIN"}))
        parts << Item{QStringLiteral("Compensação"),
                      takesAll(params, "P_TDTCOMP")
                          ? QStringLiteral("qualquer data")
                          : range(dateOf(params, "P_DTCOMPINI"), dateOf(params, "P_DTCOMPFIN")),
                      {}};
    if (declares(params, {"P_NRCHEQUEINI", "P_NRCHEQUEFIN", "P_TNRCHEQUE"}))
        parts << Item{QStringLiteral("Cheques"),
                      takesAll(params, "P_TNRCHEQUE")
                          ? QStringLiteral("todos")
                          : QStringLiteral("%1 a %2").arg(text(params, "P_NRCHEQUEINI"),
                                                          text(params, "P_NRCHEQUEFIN")),
                      {}};
    if (declares(params, {"P_STATUS", "P_TSTATUS"})) {
        QString states = QStringLiteral("todos");
        const TParam* list = find(params, "P_STATUS");
        if (!takesAll(params, "P_TSTATUS", QStringLiteral("TODOS")) && list && list->isAssigned()) {
            static const QList<QPair<QString, QString>> names{
                {QStringLiteral("_0"), QStringLiteral("Disponível")},
                {QStringLiteral("_1"), QStringLiteral("Emitido")},
                {QStringLiteral("_2"), QStringLiteral("Cancelado")}};
            QStringList chosen;
            for (const auto& [token, name] : names)
                if (list->AsString().contains(token))
                    chosen << name;
            states =
                chosen.isEmpty() ? QStringLiteral("nenhum") : chosen.join(QStringLiteral(", "));
        }
        parts << Item{QStringLiteral("Status"), states, {}};
    }
    if (const TParam* reconciliation = find(params, "P_IDCOMPENSADO")) {
        static const QStringList names{QStringLiteral("todos"), QStringLiteral("compensados"),
                                       QStringLiteral("não compensados")};
        const int index = reconciliation->isAssigned() ? reconciliation->AsInteger() : 0;
        parts << Item{
            QStringLiteral("Conciliação"), names.value(index, QStringLiteral("todos")), {}};
    }
    return parts;
}

QString ReportCriteria::full(const QList<Item>& items)
{
    QStringList parts;
    for (const Item& item : items)
        parts << item.name + QStringLiteral(": ") + item.value;
    return parts.isEmpty() ? QStringLiteral("nenhum") : parts.join(QStringLiteral("; "));
}

QString ReportCriteria::page(const QList<Item>& items)
{
    QList<Item> shown = items;
    for (Item& item : shown) {
        if (item.codes.size() <= codesShownInFull)
            continue;
        item.value = QStringLiteral("%1 selecionadas — %2, …")
                         .arg(ReportFormat::integer(item.codes.size()),
                              item.codes.mid(0, codesShownInSummary).join(QStringLiteral(", ")));
    }
    return full(shown);
}

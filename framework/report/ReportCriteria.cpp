#include "report/ReportCriteria.h"

#include "data/Dbgeral.h"
#include "data/TParams.h"
#include "report/ReportFormat.h"

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

QString codes(const QString& list)
{
    const QStringList items = Dbgeral::codesOf(list);
    return items.isEmpty() ? QStringLiteral("nenhuma") : items.join(QStringLiteral(", "));
}

} // namespace

QString ReportCriteria::summary(const TParams& params)
{
    QStringList parts;
    if (declares(params, {"P_CDEMPRESA", "P_TCDEMPRESA"}))
        parts << QStringLiteral("Empresas: ") + (takesAll(params, "P_TCDEMPRESA")
                                                     ? QStringLiteral("todas")
                                                     : codes(text(params, "P_CDEMPRESA")));
    if (declares(params, {"P_CDREDUCONT", "P_TCDREDUCONT"}))
        parts << QStringLiteral("Contas: ") + (takesAll(params, "P_TCDREDUCONT")
                                                   ? QStringLiteral("todas")
                                                   : codes(text(params, "P_CDREDUCONT")));
    if (declares(params, {"P_DTINI", "P_DTFIN"}))
        parts << QStringLiteral("Emissão: ") +
                     range(dateOf(params, "P_DTINI"), dateOf(params, "P_DTFIN"));
    if (declares(params, {"P_TDTCOMP", "P_DTCOMPINI", "P_DTCOMPFIN"}))
        parts << QStringLiteral("Compensação: ") +
                     (takesAll(params, "P_TDTCOMP")
                          ? QStringLiteral("qualquer data")
                          : range(dateOf(params, "P_DTCOMPINI"), dateOf(params, "P_DTCOMPFIN")));
    if (declares(params, {"P_NRCHEQUEINI", "P_NRCHEQUEFIN", "P_TNRCHEQUE"}))
        parts << QStringLiteral("Cheques: ") +
                     (takesAll(params, "P_TNRCHEQUE")
                          ? QStringLiteral("todos")
                          : QStringLiteral("%1 a %2").arg(text(params, "P_NRCHEQUEINI"),
                                                          text(params, "P_NRCHEQUEFIN")));
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
        parts << QStringLiteral("Status: ") + states;
    }
    if (const TParam* reconciliation = find(params, "P_IDCOMPENSADO")) {
        static const QStringList names{QStringLiteral("todos"), QStringLiteral("compensados"),
                                       QStringLiteral("não compensados")};
        const int index = reconciliation->isAssigned() ? reconciliation->AsInteger() : 0;
        parts << QStringLiteral("Conciliação: ") + names.value(index, QStringLiteral("todos"));
    }
    return parts.isEmpty() ? QStringLiteral("nenhum") : parts.join(QStringLiteral("; "));
}

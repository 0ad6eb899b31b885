#include "ChequeAskedCriteria.h"

#include "ChequeCriteria.h"
#include "base/DateRules.h"
#include "base/SearchText.h"
#include "base/VisibleText.h"

#include <QDate>
#include <QJsonValue>
#include <QRegularExpression>
#include <iterator>

namespace {

const ScreenTableCriterion criteria[] = {
    {"report", "N",
     "relatório da lista, a partir de 0 (padrão 0):\n"
     "0 por emissão, 1 por número, 2 conciliação,\n"
     "3 não compensados por idade, 4 auditoria de talonários,\n"
     "5 pendentes em uma data (a data final de compensação,\n"
     "ou a de processamento)"},
    {"states", "LISTA",
     "status marcados: emitido,cancelado,disponivel\n"
     "(os não listados são desmarcados; padrão: todos)"},
    {"companies", "01,02", "empresas escolhidas na lista (opção Lista;\npadrão: Todas)"},
    {"accounts", "001,003", "contas correntes escolhidas na lista (opção Lista;\npadrão: Todas)"},
    {"emission-from", "DATA",
     "emissão de (DD/MM/AAAA, D/M/AA, AAAA-MM-DD ou uma regra:\n"
     "processamento, hoje, ontem, inicio-do-mes, fim-do-mes,\n"
     "inicio-do-mes-anterior, fim-do-mes-anterior,\n"
     "processamento-N; \"\" deixa vazio; padrão: processamento)"},
    {"emission-to", "DATA", "emissão até"},
    {"clearing-from", "DATA", "compensação de"},
    {"clearing-to", "DATA", "compensação até"},
    {"check-from", "N", "cheque de (até 6 dígitos; comparado como número)"},
    {"check-to", "N", "cheque até"},
    {"reconciliation", "X", "todos|compensado|nao-compensado (relatório 2; padrão: todos)"},
};

const QString listChoice = QStringLiteral("lista");

// Refuses the value being read; read() names its criterion.
[[noreturn]] void refuse(const QString& reason)
{
    throw ChequeAskedCriteria::Malformed{QString(), reason};
}

QString plain(const QString& text)
{
    return SearchText::folded(text.trimmed());
}

// A date as written or a rule's word, as DD/MM/AAAA or the word; "" stays "" (an empty edit).
QString dateText(const QString& value)
{
    if (value.trimmed().isEmpty())
        return QString();
    const auto rule = DateRules::parse(value, QDate::currentDate());
    if (!rule)
        refuse(QStringLiteral("data inválida '%1' (use DD/MM/AAAA, AAAA-MM-DD ou uma destas "
                              "palavras: %2)")
                   .arg(VisibleText::of(value), DateRules::wordsText()));
    return DateRules::word(*rule);
}

QString checkNumber(const QString& value)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{0,6}$"));
    if (!digits.match(value.trimmed()).hasMatch())
        refuse(QStringLiteral("número de cheque inválido '%1' (até 6 dígitos)")
                   .arg(VisibleText::of(value)));
    return value.trimmed();
}

// The codes of a list, each once, in the order given.
QString codes(const QString& value)
{
    QStringList list;
    for (const QString& code : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!code.trimmed().isEmpty() && !list.contains(code.trimmed()))
            list << code.trimmed();
    if (list.isEmpty())
        refuse(QStringLiteral("informe ao menos um código"));
    return list.join(QLatin1Char(','));
}

QString states(const QString& value)
{
    QStringList list;
    for (const QString& item : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString state = plain(item);
        if (!ChequeCriteria::stateNames().contains(state))
            refuse(QStringLiteral("status desconhecido '%1' (use %2)")
                       .arg(VisibleText::of(item),
                            ChequeCriteria::stateNames().join(QStringLiteral(", "))));
        list << state;
    }
    return list.join(QLatin1Char(','));
}

int reconciliation(const QString& value)
{
    static const QStringList words{QStringLiteral("todos"), QStringLiteral("compensado"),
                                   QStringLiteral("nao-compensado")};
    const qsizetype index = words.indexOf(plain(value));
    if (index < 0)
        refuse(QStringLiteral("valor desconhecido '%1' (use todos, compensado ou "
                              "nao-compensado)")
                   .arg(VisibleText::of(value)));
    return static_cast<int>(index);
}

int reportIndex(const QString& value)
{
    bool ok = false;
    const int index = value.toInt(&ok);
    if (!ok || index < 0)
        refuse(QStringLiteral("índice inválido '%1'").arg(VisibleText::of(value)));
    return index;
}

// Reads one asked criterion into the screen's criteria.
void readOne(const QString& name, const QString& value, QVariantMap& criteria)
{
    if (name == QLatin1String("report")) {
        criteria.insert(QStringLiteral("report-index"), reportIndex(value));
    } else if (name == QLatin1String("companies") || name == QLatin1String("accounts")) {
        criteria.insert(name, listChoice);
        criteria.insert(name == QLatin1String("companies") ? QStringLiteral("company-codes")
                                                           : QStringLiteral("account-codes"),
                        codes(value));
    } else if (ChequeCriteria::dateNames().contains(name)) {
        criteria.insert(name, dateText(value));
    } else if (name == QLatin1String("check-from") || name == QLatin1String("check-to")) {
        criteria.insert(name, checkNumber(value));
    } else if (name == QLatin1String("states")) {
        criteria.insert(name, states(value));
    } else if (name == QLatin1String("reconciliation")) {
        criteria.insert(name, reconciliation(value));
    } else {
        refuse(QStringLiteral("critério desconhecido"));
    }
}

} // namespace

const ScreenTableCriterion* ChequeAskedCriteria::table()
{
    return criteria;
}

std::size_t ChequeAskedCriteria::count()
{
    return std::size(criteria);
}

QVariantMap ChequeAskedCriteria::read(const QJsonObject& asked)
{
    QVariantMap criteria;
    for (auto item = asked.constBegin(); item != asked.constEnd(); ++item) {
        try {
            readOne(item.key(), item.value().toVariant().toString(), criteria);
        } catch (Malformed& malformed) {
            malformed.criterion = item.key();
            throw;
        }
    }
    return criteria;
}

#include "base/DateRules.h"

#include <QRegularExpression>

namespace {

struct Named {
    DateRules::Kind kind;
    const char* word;
    const char* label;
};

// The rules with a word of their own, in the order the save dialog offers them.
constexpr Named named[] = {
    {DateRules::Kind::ProcessingDate, "processamento", "Data de processamento"},
    {DateRules::Kind::Today, "hoje", "Hoje"},
    {DateRules::Kind::Yesterday, "ontem", "Ontem"},
    {DateRules::Kind::MonthStart, "inicio-do-mes", "Início do mês"},
    {DateRules::Kind::MonthEnd, "fim-do-mes", "Fim do mês"},
    {DateRules::Kind::PreviousMonthStart, "inicio-do-mes-anterior", "Início do mês anterior"},
    {DateRules::Kind::PreviousMonthEnd, "fim-do-mes-anterior", "Fim do mês anterior"},
};

const char daysBeforeWord[] = "processamento-";

QDate monthStart(const QDate& date)
{
    return QDate(date.year(), date.month(), 1);
}

QDate monthEnd(const QDate& date)
{
    return monthStart(date).addMonths(1).addDays(-1);
}

} // namespace

int DateRules::fullYear(int twoDigitYear, const QDate& today)
{
    // The century that puts the year within 80 years before and 19 after today's year.
    const int latest = today.year() + 19;
    int year = latest - (latest % 100) + twoDigitYear;
    if (year > latest)
        year -= 100;
    return year;
}

std::optional<QDate> DateRules::readDate(const QString& text, const QDate& today)
{
    const QString written = text.trimmed();
    if (written.compare(QLatin1String("hoje"), Qt::CaseInsensitive) == 0)
        return today;
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    static const QRegularExpression dayFirst(
        QStringLiteral("^(\\d{1,2})([/.-])(\\d{1,2})\\2(\\d{4}|\\d{2})$"));
    QDate date;
    if (const auto match = iso.match(written); match.hasMatch()) {
        date =
            QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    } else if (const auto match = dayFirst.match(written); match.hasMatch()) {
        const QString year = match.captured(4);
        date = QDate(year.size() == 2 ? fullYear(year.toInt(), today) : year.toInt(),
                     match.captured(3).toInt(), match.captured(1).toInt());
    }
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<DateRules::Rule> DateRules::parse(const QString& text, const QDate& today)
{
    const QString written = text.trimmed().toLower();
    for (const Named& rule : named)
        if (written == QLatin1String(rule.word))
            return Rule{rule.kind, QDate(), 0};
    if (written.startsWith(QLatin1String(daysBeforeWord))) {
        bool number = false;
        const QString count = written.mid(int(sizeof daysBeforeWord) - 1);
        const int days = count.toInt(&number);
        static const QRegularExpression digits(QStringLiteral("^\\d{1,4}$"));
        if (number && digits.match(count).hasMatch())
            return Rule{Kind::DaysBeforeProcessing, QDate(), days};
        return std::nullopt;
    }
    if (const auto date = readDate(written, today))
        return Rule{Kind::Fixed, *date, 0};
    return std::nullopt;
}

QString DateRules::word(const Rule& rule)
{
    if (rule.kind == Kind::Fixed)
        return rule.date.toString(QStringLiteral("dd/MM/yyyy"));
    if (rule.kind == Kind::DaysBeforeProcessing)
        return QLatin1String(daysBeforeWord) + QString::number(rule.days);
    for (const Named& named : named)
        if (named.kind == rule.kind)
            return QLatin1String(named.word);
    return QString();
}

QDate DateRules::resolve(const Rule& rule, const QDate& processing, const QDate& today)
{
    switch (rule.kind) {
    case Kind::Fixed:
        return rule.date;
    case Kind::ProcessingDate:
        return processing;
    case Kind::Today:
        return today;
    case Kind::Yesterday:
        return today.addDays(-1);
    case Kind::MonthStart:
        return processing.isValid() ? monthStart(processing) : QDate();
    case Kind::MonthEnd:
        return processing.isValid() ? monthEnd(processing) : QDate();
    case Kind::PreviousMonthStart:
        return processing.isValid() ? monthStart(processing).addMonths(-1) : QDate();
    case Kind::PreviousMonthEnd:
        return processing.isValid() ? monthStart(processing).addDays(-1) : QDate();
    case Kind::DaysBeforeProcessing:
        return processing.addDays(-rule.days);
    }
    return QDate();
}

QList<DateRules::Rule> DateRules::choices(int days)
{
    QList<Rule> rules{Rule{}};
    for (const Named& rule : named)
        rules << Rule{rule.kind, QDate(), 0};
    rules << Rule{Kind::DaysBeforeProcessing, QDate(), days};
    return rules;
}

QString DateRules::wordsText()
{
    QStringList words;
    for (const Named& rule : named)
        words << QLatin1String(rule.word);
    words << QStringLiteral("%1N").arg(QLatin1String(daysBeforeWord));
    return words.join(QStringLiteral(", "));
}

QString DateRules::label(const Rule& rule)
{
    if (rule.kind == Kind::Fixed)
        return QStringLiteral("Data fixa");
    if (rule.kind == Kind::DaysBeforeProcessing)
        return rule.days == 1 ? QStringLiteral("1 dia antes do processamento")
                              : QStringLiteral("%1 dias antes do processamento").arg(rule.days);
    for (const Named& named : named)
        if (named.kind == rule.kind)
            return QString::fromUtf8(named.label);
    return QString();
}

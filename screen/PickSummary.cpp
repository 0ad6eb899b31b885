#include "PickSummary.h"

#include "data/Dbgeral.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLocale>

namespace {
QString shownCodes(const QStringList& codes)
{
    QStringList shown;
    for (const QString& code : codes)
        shown << code.trimmed();
    return shown.join(QStringLiteral(", "));
}

QString leftOutText(const QStringList& leftOut)
{
    return QStringLiteral("fora das empresas escolhidas, não entram no relatório: %1")
        .arg(shownCodes(leftOut));
}
} // namespace

QString PickSummary::text(const QString& list, const QString& singular, const QString& plural,
                          const QStringList& leftOut)
{
    const QStringList codes = Dbgeral::codesOf(list);
    if (codes.isEmpty())
        return QStringLiteral("nenhuma");
    QString text = QStringLiteral("%1 %2: %3")
                       .arg(codes.size())
                       .arg(codes.size() == 1 ? singular : plural, shownCodes(codes));
    if (!leftOut.isEmpty())
        text += QStringLiteral(" (%1)").arg(leftOutText(leftOut));
    return text;
}

QString PickSummary::toolTip(const QString& list, const QString& singular, const QString& plural,
                             const QHash<QString, QString>& names, const QStringList& leftOut,
                             int listed)
{
    const QStringList codes = Dbgeral::codesOf(list);
    if (codes.isEmpty())
        return QStringLiteral("nenhuma");
    QStringList lines{
        QStringLiteral("%1 %2:").arg(codes.size()).arg(codes.size() == 1 ? singular : plural)};
    for (int i = 0; i < codes.size() && i < listed; ++i) {
        const QString name = names.value(codes.at(i));
        lines << (name.isEmpty() ? codes.at(i).trimmed()
                                 : QStringLiteral("%1 — %2").arg(codes.at(i).trimmed(), name));
    }
    if (codes.size() > listed)
        lines << QStringLiteral("… e mais %1")
                     .arg(QLocale(QLocale::Portuguese, QLocale::Brazil)
                              .toString(codes.size() - listed));
    if (!leftOut.isEmpty()) {
        QString note = leftOutText(leftOut);
        note[0] = note.at(0).toUpper();
        lines << note;
    }
    return lines.join(QLatin1Char('\n'));
}

void PickSummary::show(QLabel* label, const QString& list, const QString& singular,
                       const QString& plural, const QHash<QString, QString>& names,
                       const QStringList& leftOut)
{
    const QString whole = text(list, singular, plural, leftOut);
    const QStringList codes = Dbgeral::codesOf(list);
    const QFontMetrics metrics(label->font());
    const int room = label->contentsRect().width();
    QString shown = whole;
    if (metrics.horizontalAdvance(whole) > room && !codes.isEmpty())
        shown = metrics.elidedText(QStringLiteral("%1%2: %3")
                                       .arg(leftOut.isEmpty() ? QString() : QStringLiteral("⚠ "))
                                       .arg(codes.size())
                                       .arg(shownCodes(codes)),
                                   Qt::ElideRight, room);
    label->setText(shown);
    label->setToolTip(toolTip(list, singular, plural, names, leftOut));
}

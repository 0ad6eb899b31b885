#include "PickSummary.h"

#include "data/Dbgeral.h"

#include <QFontMetrics>
#include <QLabel>

namespace {
QString shownCodes(const QStringList& codes)
{
    QStringList shown;
    for (const QString& code : codes)
        shown << code.trimmed();
    return shown.join(QStringLiteral(", "));
}
} // namespace

QString PickSummary::text(const QString& list, const QString& singular, const QString& plural)
{
    const QStringList codes = Dbgeral::codesOf(list);
    if (codes.isEmpty())
        return QStringLiteral("nenhuma");
    return QStringLiteral("%1 %2: %3")
        .arg(codes.size())
        .arg(codes.size() == 1 ? singular : plural, shownCodes(codes));
}

void PickSummary::show(QLabel* label, const QString& list, const QString& singular,
                       const QString& plural)
{
    const QString whole = text(list, singular, plural);
    const QStringList codes = Dbgeral::codesOf(list);
    const QFontMetrics metrics(label->font());
    const int room = label->contentsRect().width();
    QString shown = whole;
    if (metrics.horizontalAdvance(whole) > room && !codes.isEmpty())
        shown =
            metrics.elidedText(QStringLiteral("%1: %2").arg(codes.size()).arg(shownCodes(codes)),
                               Qt::ElideRight, room);
    label->setText(shown);
    label->setToolTip(whole);
}

// How the parameter scan grows with the number of parameters a report text declares: each
// doubling should about double the time (a linear scan), not quadruple it.
#include "data/SqlParameters.h"

#include <QElapsedTimer>
#include <QTextStream>

int main()
{
    QTextStream out(stdout);
    double previous = 0;
    for (const int count : {10000, 20000, 40000}) {
        QString sql = QStringLiteral("SELECT 1 FROM EMPRESA WHERE CDEMPRESA IN (");
        for (int i = 0; i < count; ++i)
            sql += QStringLiteral(":P_%1, ").arg(i);
        sql += QStringLiteral("NULL)");
        QElapsedTimer timer;
        timer.start();
        const qsizetype declared = SqlParameters::declaredIn(sql).size();
        const double seconds = timer.nsecsElapsed() / 1e9;
        out << QStringLiteral("%1 parâmetros (%2 declarados): %3 s")
                   .arg(count)
                   .arg(declared)
                   .arg(seconds, 0, 'f', 3);
        if (previous > 0)
            out << QStringLiteral("; %1x o anterior").arg(seconds / previous, 0, 'f', 2);
        out << '\n';
        previous = seconds;
    }
    return 0;
}

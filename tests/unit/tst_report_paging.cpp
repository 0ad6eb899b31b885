// Where a report's pages break, what its page store gives back, what its totals add up to,
// and what a run tells its future of its progress, without a query or a window.

#include "base/Exceptions.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportPaginator.h"
#include "report/engine/ReportPromiseProgress.h"
#include "report/engine/ReportSizes.h"
#include "report/engine/ReportTotals.h"

#include <QtTest>
#include <optional>

namespace {

using Kind = ReportPiece::Kind;

// The body of the pages below runs from 100 to 400 pt.
constexpr double bodyTop = 100;
constexpr double bottom = 400;

ReportFrame frame()
{
    ReportFrame frame;
    frame.pageSize = QSizeF(300, bottom);
    frame.bodyTop = bodyTop;
    return frame;
}

ReportPiece detail(int row, double height = ReportSizes::detailHeight)
{
    return {Kind::Detail, static_cast<float>(height), {}, {QString::number(row)}, {}};
}

// The row numbers of the detail lines of each page read back, a page a line.
QStringList rowsByPage(const ReportPageStretch& stretch)
{
    QStringList pages;
    for (const ReportPageStretch::Page& page : stretch.pages) {
        QStringList rows;
        for (const ReportPageStretch::Line& line : page.lines)
            if (line.kind == Kind::Detail)
                rows << stretch.rows.at(line.index).first();
        pages << rows.join(QLatin1Char(' '));
    }
    return pages;
}

} // namespace

class TestReportPaging : public QObject {
    Q_OBJECT

private slots:
    // A script of steps separated by ';': "H" places lines H tall, "H+R" with room R kept
    // free below them, "(A" opens group A's heading, ")" closes the last one. What comes out:
    // the page of each placement, with the headings a page repeats when the placement began
    // it ("2[A]"); or the error's end.
    void pagesBreak_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("pages");
        QTest::newRow("a line that fits exactly stays") << "150; 150; 0.5"
                                                        << "1 1 2";
        QTest::newRow("room below keeps closing lines with their row") << "200; 50+60; 50"
                                                                       << "1 2 2";
        QTest::newRow("a tall first line never breaks") << "300; 1"
                                                        << "1 2";
        QTest::newRow("open groups head the next page") << "(A; (B; 290; 20; ); 280; 1"
                                                        << "1 2[A,B] 3[A] 3";
        QTest::newRow("a closed group is not repeated") << "(A; 290; ); 20"
                                                        << "1 2";
        QTest::newRow("too tall for any page")
            << "100; 301"
            << "erro: pede 301 pt e o corpo da página tem 300 pt.";
        QTest::newRow("too tall under the repeated headings")
            << "(A; (B; 290; 280"
            << "erro: pede 306 pt e o corpo da página tem 300 pt.";
        QTest::newRow("room counts towards fitting")
            << "250+51"
            << "erro: pede 301 pt e o corpo da página tem 300 pt.";
    }
    void pagesBreak()
    {
        QFETCH(QString, script);
        QFETCH(QString, pages);
        ReportPaginator paginator(bodyTop, bottom, QStringLiteral("quebra.rpt"));
        QStringList placed;
        try {
            for (const QString& step : script.split(QLatin1Char(';'))) {
                const QString token = step.trimmed();
                if (token.startsWith(QLatin1Char('('))) {
                    paginator.openHeading(token.mid(1));
                } else if (token == QLatin1String(")")) {
                    paginator.closeHeading();
                } else {
                    const bool begins =
                        paginator.place(token.section(QLatin1Char('+'), 0, 0).toDouble(),
                                        token.section(QLatin1Char('+'), 1).toDouble());
                    QString page = QString::number(paginator.pageCount());
                    if (begins && !paginator.openHeadings().isEmpty())
                        page += QLatin1Char('[') + paginator.openHeadings().join(QLatin1Char(',')) +
                                QLatin1Char(']');
                    placed << page;
                }
            }
        } catch (const Exception& e) {
            QVERIFY2(e.Message().startsWith(QStringLiteral("quebra.rpt: o relatório não cabe")),
                     qPrintable(e.Message()));
            placed = {QStringLiteral("erro: ") + e.Message().mid(e.Message().indexOf("pede"))};
        }
        QCOMPARE(placed.join(QLatin1Char(' ')), pages);
    }

    // Every kind of line comes back from the file as it went in, in its place: texts of any
    // length and script, many cells, empty ones, totals with their states.
    void pageStoreGivesBackWhatWentIn()
    {
        const QString longText = QString(300, QChar(0x00E7)) + QStringLiteral(" — fim");
        QStringList manyCells;
        for (int c = 0; c < 300; ++c)
            manyCells << (c % 7 == 0 ? QString() : QStringLiteral("c%1").arg(c));
        ReportPages store(QStringLiteral("ida.rpt"));
        store.place({{Kind::GroupHeading, 13, QStringLiteral("Conta 001 — Ação"), {}, {}},
                     {Kind::Detail, 10.5, {}, manyCells, {}}},
                    0);
        store.openHeading(QStringLiteral("Conta 001 — Ação"));
        store.place(
            {{Kind::Detail, 10.5, {}, {longText, QString(), QStringLiteral("1.234,56")}, {}}},
            29.5);
        store.place(
            {{Kind::Subtotal,
              13,
              QStringLiteral("Total da conta 001"),
              {QString(), QStringLiteral("1.234,56")},
              QStringLiteral("Emitidos: 2")},
             {Kind::StateSummary, 10.5, QStringLiteral("Emitidos: 2 — 1.234,56"), {}, {}},
             {Kind::GrandTotal, 16, QStringLiteral("Total geral"), {QStringLiteral("9")}, {}},
             {Kind::Empty, 21, {}, {}, {}}},
            0);
        store.closeHeading();
        store.finish(frame(), 2);
        QCOMPARE(store.pageCount(), 1);
        QCOMPARE(store.rowCount(), 2);

        const ReportPageStretch page = store.page(0);
        QCOMPARE(page.pageCount(), 1);
        QCOMPARE(page.rows, (QVector<QStringList>{manyCells, {longText, QString(), "1.234,56"}}));
        QCOMPARE(page.headings, QStringList{QStringLiteral("Conta 001 — Ação")});
        QCOMPARE(page.notes, QStringList{QStringLiteral("Emitidos: 2 — 1.234,56")});
        QCOMPARE(page.totals.size(), 2);
        QCOMPARE(page.totals.at(0).label, QStringLiteral("Total da conta 001"));
        QCOMPARE(page.totals.at(0).cells, (QStringList{QString(), "1.234,56"}));
        QCOMPARE(page.totals.at(0).states, QStringLiteral("Emitidos: 2"));
        QCOMPARE(page.totals.at(1).cells, QStringList{QStringLiteral("9")});
        QString lines;
        for (const ReportPageStretch::Line& line : page.page(0).lines)
            lines += QStringLiteral("%1:%2@%3 ").arg(int(line.kind)).arg(line.index).arg(line.y);
        QCOMPARE(lines.trimmed(), QStringLiteral("0:0@100 1:0@113 1:1@123.5 2:0@134 3:0@147 "
                                                 "4:1@157.5 5:0@173.5"));
    }

    // Pages read back a stretch at a time, one at a time, or all at once hold each row once,
    // on the page it was counted on, under the headings of the groups they continue; also
    // where the file's blocks end (more than a megabyte of body).
    void pageStoreReadsBackStretches_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("cellSize");
        // A store cut into pages as the body comes, under a body that began that much lower
        // than the final one; none: cut at the end only.
        QTest::addColumn<std::optional<double>>("cutLower");
        QTest::newRow("three pages") << 60 << 1 << std::optional<double>();
        QTest::newRow("several blocks") << 6000 << 400 << std::optional<double>();
        QTest::newRow("cut as placed") << 6000 << 400 << std::optional<double>(0);
        QTest::newRow("cut as placed, cut again") << 600 << 1 << std::optional<double>(10);
    }
    void pageStoreReadsBackStretches()
    {
        QFETCH(int, rows);
        QFETCH(int, cellSize);
        QFETCH(std::optional<double>, cutLower);
        ReportPages store(QStringLiteral("trechos.rpt"));
        ReportPages counted(QStringLiteral("trechos.rpt"), ReportPages::Contents::Heights);
        ReportPages live(QStringLiteral("trechos.rpt"));
        ReportBodySinks both(cutLower ? QList<ReportBodySink*>{&store, &counted, &live}
                                      : QList<ReportBodySink*>{&store, &counted});
        if (cutLower) {
            ReportFrame provisional = frame();
            provisional.bodyTop += *cutLower;
            live.cutAsPlaced(provisional, [provisional] { return provisional; });
        }
        // What the live store showed while the rows came: its whole pages, as they read then.
        QList<QStringList> shown;
        const QString padding(cellSize, QLatin1Char('x'));
        for (int row = 0; row < rows; ++row) {
            if (cutLower && row % 100 == 0) {
                const ReportPages::Progress progress = live.progress();
                QVERIFY(!progress.finished);
                const ReportPageStretch stretch = live.pages(0, progress.pages - 1);
                // A report still being laid out leaves its page count out.
                QCOMPARE(stretch.pageCount(), 0);
                QCOMPARE(stretch.pages.size(), progress.pages);
                shown << rowsByPage(stretch);
                // The first page read last, as a preview that stays on it does: the blocks
                // stored next still go after the others.
                QCOMPARE(rowsByPage(live.pages(0, 0)), shown.last().mid(0, 1));
            }
            if (row % 25 == 0) {
                if (row > 0)
                    both.closeHeading();
                const QString heading = QStringLiteral("Grupo %1").arg(row / 25);
                ReportPiece detailed = detail(row);
                detailed.cells << padding;
                both.place({{Kind::GroupHeading, 13, heading, {}, {}}, detailed}, 0);
                both.openHeading(heading);
            } else {
                ReportPiece detailed = detail(row);
                detailed.cells << padding;
                both.place({detailed}, 0);
            }
        }
        both.closeHeading();
        store.finish(frame(), rows);
        counted.finish(frame(), rows);
        if (cutLower) {
            live.finish(frame(), rows);
            QVERIFY(live.progress().finished);
            QCOMPARE(live.pageCount(), store.pageCount());
            const QStringList pages = rowsByPage(live.pages(0, live.pageCount() - 1));
            QCOMPARE(pages, rowsByPage(store.pages(0, store.pageCount() - 1)));
            // Pages shown before the end stand as they were shown, unless the body's top
            // moved and the pages were cut again.
            QVERIFY(shown.last().size() > 1);
            if (*cutLower == 0)
                for (const QStringList& before : std::as_const(shown))
                    QCOMPARE(before, pages.mid(0, before.size()));
            else
                QVERIFY(shown.last() != pages.mid(0, shown.last().size()));
        }
        // 300 pt hold 27 rows of 10.5 pt; a page after the first repeats its open group.
        QVERIFY(store.pageCount() >= 3);
        QCOMPARE(counted.pageCount(), store.pageCount());
        QCOMPARE(counted.pages(0, 0).pages.size(), 0);

        const ReportPageStretch whole = store.pages(0, store.pageCount() - 1);
        QCOMPARE(whole.rows.size(), rows);
        for (int row = 0; row < rows; ++row)
            QCOMPARE(whole.rows.at(row).first(), QString::number(row));
        const QStringList expected = rowsByPage(whole);
        QStringList byStretch;
        for (int first = 0; first < store.pageCount(); first += 7) {
            const ReportPageStretch stretch = store.pages(first, first + 6);
            QCOMPARE(stretch.first, first);
            QVERIFY(stretch.holds(first) && !stretch.holds(first - 1));
            byStretch << rowsByPage(stretch);
        }
        QCOMPARE(byStretch, expected);
        QCOMPARE(rowsByPage(store.page(1)), QStringList{expected.at(1)});

        for (int page = 1; page < store.pageCount(); ++page) {
            const ReportPageStretch::Page& lines = whole.page(page);
            const ReportPageStretch::Line& top = lines.lines.first();
            QCOMPARE(top.y, float(bodyTop));
            const int firstRow = whole.rows.at(lines.lines.at(1).index).first().toInt();
            if (top.kind == Kind::GroupHeading &&
                whole.headings.at(top.index).endsWith(QStringLiteral("(continuação)"))) {
                // The group of the page's first row, continued above it.
                QCOMPARE(whole.headings.at(top.index),
                         QStringLiteral("Grupo %1 (continuação)").arg(firstRow / 25));
                QCOMPARE(lines.lines.at(1).y, float(bodyTop + ReportSizes::headingHeight));
            } else {
                // A page that begins with a group's first row.
                QCOMPARE(firstRow % 25, 0);
            }
            const ReportPageStretch::Line& last = lines.lines.last();
            QVERIFY(last.y + ReportSizes::detailHeight <= bottom);
        }
    }

    // What a group's or the report's total adds: the sums over the rows of a state that
    // adds (every row without states), and the count and amount of each state present in
    // the declared order, then those no line declares.
    void totalsAddUp_data()
    {
        QTest::addColumn<QString>("states");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<qint64>("sum");
        QTest::addColumn<QString>("summary");
        const QString declared = QStringLiteral("state: ST | 1 | Emitidos | total\n"
                                                "state: ST | 2 | Cancelados | amount\n"
                                                "state: ST | 0 | Disponíveis | count\n");
        QTest::newRow("no states")
            << QString() << QStringList{"1:100", "2:250"} << qint64(350) << QString();
        QTest::newRow("only issued add")
            << declared << QStringList{"1:100", "2:250", "1:1000", "0:0"} << qint64(1100)
            << "Emitidos: 2 — 11,00; Cancelados: 1 — 2,50; Disponíveis: 1";
        QTest::newRow("declared order, absent states left out")
            << declared << QStringList{"0:5", "1:7"} << qint64(7)
            << "Emitidos: 1 — 0,07; Disponíveis: 1";
        QTest::newRow("undeclared states shown, never added")
            << declared << QStringList{"9:10", ":20", "1:1", "9:30"} << qint64(1)
            << "Emitidos: 1 — 0,01; Status 9: 2 — 0,40; Sem status: 1 — 0,20";
        QTest::newRow("large amounts stay exact")
            << declared << QStringList{"1:999999999999999", "1:1"} << qint64(1000000000000000)
            << "Emitidos: 2 — 10.000.000.000.000,00";
    }
    void totalsAddUp()
    {
        QFETCH(QString, states);
        QFETCH(QStringList, rows);
        QFETCH(qint64, sum);
        QFETCH(QString, summary);
        const ReportDefinition definition = ReportDefinition::parse(
            QStringLiteral("title: Totais\ncolumn: V | Valor | 10 | right | money\nsum: V\n") +
                states,
            QStringLiteral("totais.rpt"));
        ReportStates stateSlots(definition);
        ReportTally tally(1);
        for (const QString& row : std::as_const(rows)) {
            const qint64 cents = row.section(QLatin1Char(':'), 1).toLongLong();
            const int slot =
                stateSlots.any() ? stateSlots.slotOf(row.section(QLatin1Char(':'), 0, 0)) : -1;
            QVERIFY(
                tally.add({ReportAmount(cents)}, stateSlots.adds(slot), slot, ReportAmount(cents)));
        }
        QCOMPARE(tally.count, qint64(rows.size()));
        QCOMPARE(tally.sums.first().units(), sum);
        QCOMPARE(stateSlots.summary(tally, true), summary);
    }

    // Without amounts (a report that sums no money), and for a state that is only counted,
    // the summary gives counts alone.
    void totalsWithoutAmounts()
    {
        const ReportDefinition definition = ReportDefinition::parse(
            QStringLiteral("title: Totais\ncolumn: V\nstate: ST | 1 | Emitidos | total\n"
                           "state: ST | 0 | Disponíveis | count\n"),
            QStringLiteral("totais.rpt"));
        ReportStates stateSlots(definition);
        ReportTally tally;
        for (const char* code : {"1", "0", "1"})
            QVERIFY(tally.add({}, true, stateSlots.slotOf(QLatin1String(code)), ReportAmount()));
        QCOMPARE(stateSlots.summary(tally, false), QStringLiteral("Emitidos: 2; Disponíveis: 1"));
    }

    // Each stage's first line reaches the future, also when its count starts again at 0; a
    // cancel of the future reaches the run.
    void progressGoesThroughTheFuture()
    {
        using Stage = ReportProgress::Stage;
        QPromise<void> promise;
        QFuture<void> future = promise.future();
        promise.start();
        ReportPromiseProgress progress(promise);
        progress.report(Stage::Query, 256);
        QCOMPARE(future.progressText(), QStringLiteral("Lendo os cheques: 256 linhas…"));
        progress.report(Stage::Query, 1512);
        QCOMPARE(future.progressValue(), 1512);
        progress.report(Stage::Writing, 0, 1200);
        QCOMPARE(future.progressText(), QStringLiteral("Gravando: página 0 de 1.200…"));
        QCOMPARE(future.progressMaximum(), 1200);
        progress.report(Stage::Writing, 2, 1200);
        QCOMPARE(future.progressValue(), 2);
        QCOMPARE(future.progressText(), QStringLiteral("Gravando: página 2 de 1.200…"));
        QVERIFY(!progress.isCancelled());
        future.cancel();
        QVERIFY(progress.isCancelled());
        QVERIFY_THROWS_EXCEPTION(ReportProgress::Cancelled, progress.checkCancel());
        promise.finish();
    }
};

QTEST_GUILESS_MAIN(TestReportPaging)
#include "tst_report_paging.moc"

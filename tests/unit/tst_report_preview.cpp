// The preview window following a report still being laid out: pages given to it a few at a
// time through its own steps, and a real run telling it of its pages and of its end.

#include "DemoDatabase.h"
#include "base/Consiste.h"
#include "base/Exceptions.h"
#include "report/engine/ReportLayouter.h"
#include "report/engine/ReportLivePages.h"
#include "report/engine/ReportPages.h"
#include "report/output/ReportJob.h"
#include "report/output/ReportLiveRun.h"
#include "report/ui/ReportPageView.h"
#include "report/ui/ReportPreviewDialog_p.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QToolButton>
#include <QtTest>

namespace {

// A report of `rows` numbered rows; past `failAfter` rows its query fails (ABS of the
// smallest integer overflows).
ReportDefinition numbers(qint64 rows, qint64 failAfter = 0)
{
    const QString value =
        failAfter > 0
            ? QStringLiteral("CASE WHEN X > %1 THEN ABS(-9223372036854775807 - 1) ELSE X END")
                  .arg(failAfter)
            : QStringLiteral("X");
    return ReportDefinition::parse(
        QStringLiteral("title: Números\ncolumn: N | Número | 10 | right | integer\nsql:\n"
                       "  WITH RECURSIVE S(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM S\n"
                       "                          WHERE X < %1)\n"
                       "  SELECT %2 AS N FROM S\n")
            .arg(rows)
            .arg(value),
        QStringLiteral("numeros.rpt"));
}

} // namespace

class TestReportPreview : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Consiste::SetPresenter([this](const QString& text) {
            m_errors << text;
            if (m_whileMessageShown)
                std::exchange(m_whileMessageShown, nullptr)();
        });
    }

    void init() { m_errors.clear(); }

    // A report still being laid out, its rows given a few at a time: the preview shows the
    // pages whole so far, its page count and navigation growing with them, a search finding
    // each hit once, printing waiting; at the end the count is known. Cancel stops the run and
    // keeps the pages shown; so does a failure, told once, even when more pages are told
    // while its message is open.
    void previewFollowsPagesAsTheyCome_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("to the end") << QStringLiteral("end");
        QTest::newRow("cancelled") << QStringLiteral("cancel");
        QTest::newRow("failed") << QStringLiteral("failure");
    }

    void previewFollowsPagesAsTheyCome()
    {
        QFETCH(QString, ending);
        const ReportDefinition definition = ReportDefinition::parse(
            QStringLiteral("title: Aos poucos\ncolumn: N | Número | 10 | right | integer\n"
                           "sql:\n  SELECT 1 AS N\n"),
            QStringLiteral("aos-poucos.rpt"));
        ReportFrame::Header header;
        header.title = definition.title;
        ReportLayouter layouter(definition, {QStringLiteral("N")}, {ReportValueFormat::Integer},
                                header);
        auto pages = std::make_shared<ReportPages>(layouter.sourceName());
        pages->cutAsPlaced(layouter.provisionalFrame(),
                           [&layouter] { return layouter.provisionalFrame(); });
        int row = 0;
        const auto addRows = [&](int count) {
            for (int end = row + count; row < end; ++row)
                // Three digits each: a number is found on its own row only.
                layouter.addRow({QVariant(qint64(100 + row))}, *pages);
        };
        addRows(150);
        bool cancelled = false;
        ReportPreviewDialog window(
            std::make_shared<ReportLivePages>(pages), [] {}, [] {});
        ReportPreviewDialogPrivate& preview = ReportPreviewDialogPrivate::of(window);
        preview.startFollowing([&] { cancelled = true; });
        window.show();
        auto* pageBox = window.findChild<QSpinBox*>(QStringLiteral("pageNumber"));
        auto* count = window.findChild<QLabel*>(QStringLiteral("pageCount"));
        auto* next = window.findChild<QToolButton*>(QStringLiteral("nextPage"));
        auto* last = window.findChild<QToolButton*>(QStringLiteral("lastPage"));
        auto* print = window.findChild<QToolButton*>(QStringLiteral("print"));
        auto* cancelButton = window.findChild<QToolButton*>(QStringLiteral("cancelLayout"));
        const int first = pageBox->maximum();
        QVERIFY(first >= 1);
        QCOMPARE(count->text(), QStringLiteral("de %1…").arg(first));
        QVERIFY(!print->isEnabled());
        QVERIFY(cancelButton->isVisible());
        auto* searchStatus = window.findChild<QLabel*>(QStringLiteral("searchStatus"));
        QVERIFY(window.find(QStringLiteral("105")));
        const QString found = searchStatus->text();
        QVERIFY2(found.endsWith(QStringLiteral(": 1 de 1 nesta página")), qPrintable(found));
        window.findChild<QToolButton*>(QStringLiteral("firstPage"))->click();

        // More rows: more pages to go to, the page shown stays; the hit is still the only one.
        addRows(300);
        preview.takePages();
        QVERIFY(window.find(QStringLiteral("105")));
        QCOMPARE(searchStatus->text(), found);
        window.findChild<QToolButton*>(QStringLiteral("firstPage"))->click();
        const int more = pageBox->maximum();
        QVERIFY(more > first);
        QCOMPARE(count->text(), QStringLiteral("de %1…").arg(more));
        QCOMPARE(preview.view->page(), 0);
        last->click();
        QCOMPARE(preview.view->page(), more - 1);
        QVERIFY(!next->isEnabled());
        addRows(300);
        preview.takePages();
        QVERIFY(next->isEnabled());
        next->click();
        QCOMPARE(preview.view->page(), more);

        if (ending == QStringLiteral("failure")) {
            // More pages told while the failure's message is open change nothing said.
            m_whileMessageShown = [&] { preview.takePages(); };
            preview.followEnded(std::make_exception_ptr(
                Exception(QStringLiteral("o servidor parou de responder"))));
            QCOMPARE(m_errors, QStringList{QStringLiteral("o servidor parou de responder")});
            QVERIFY(!m_whileMessageShown);
            QCOMPARE(count->text(), QStringLiteral("de %1 (interrompido)").arg(pageBox->maximum()));
            QCOMPARE(preview.view->page(), more);
        } else if (ending == QStringLiteral("cancel")) {
            cancelButton->click();
            QVERIFY(cancelled);
            preview.followEnded(nullptr);
            QCOMPARE(count->text(), QStringLiteral("de %1 (interrompido)").arg(pageBox->maximum()));
            QCOMPARE(preview.view->page(), more);
            QVERIFY(!print->isEnabled());
        } else {
            addRows(100);
            pages->finish(layouter.finish(*pages), layouter.rowCount());
            preview.followEnded(nullptr);
            QCOMPARE(pageBox->maximum(), pages->pageCount());
            QCOMPARE(count->text(), QStringLiteral("de %1").arg(pages->pageCount()));
            QVERIFY(print->isEnabled());
            QCOMPARE(preview.view->page(), more);
        }
        QVERIFY(!cancelButton->isVisible());
        QCOMPARE(cancelled, ending == QStringLiteral("cancel"));
        // The end told twice (the run's signal after the window saw it end) is taken once.
        preview.followEnded(std::make_exception_ptr(Exception(QStringLiteral("outra vez"))));
        QVERIFY2(m_errors.size() == (ending == QStringLiteral("failure") ? 1 : 0),
                 qPrintable(m_errors.join('\n')));
    }

    // A run on the database tells the window of its pages as they are whole, at once for the
    // first, and of its end: the window shows the count at the end, or the pages laid out
    // before a cancel or a failure, which it tells once. Closed, the window stops the run.
    void previewFollowsARun_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("to the end") << QStringLiteral("end");
        QTest::newRow("cancelled") << QStringLiteral("cancel");
        QTest::newRow("failed") << QStringLiteral("failure");
        QTest::newRow("window closed") << QStringLiteral("close");
    }

    void previewFollowsARun()
    {
        QFETCH(QString, ending);
        DemoSession session;
        ReportJob::Request request;
        const bool endless = ending == QStringLiteral("cancel") || ending == QLatin1String("close");
        request.definition = ending == QStringLiteral("failure") ? numbers(5000, 600)
                             : endless                           ? numbers(2000000000)
                                                                 : numbers(3000);
        request.header.title = request.definition.title;
        request.source = ReportQuery::sourceOf(session.database);
        const std::shared_ptr<ReportLiveRun> run = ReportJob::startLive(request);
        QSignalSpy told(run.get(), &ReportLiveRun::pagesAdded);
        QSignalSpy ended(run.get(), &ReportLiveRun::ended);
        QVERIFY(told.wait(30000));
        QVERIFY(run->hasPages());

        auto* window = new ReportPreviewDialog(
            std::make_shared<ReportLivePages>(run->pages()), [] {}, [] {});
        window->follow(run);
        window->show();
        auto* count = window->findChild<QLabel*>(QStringLiteral("pageCount"));
        auto* print = window->findChild<QToolButton*>(QStringLiteral("print"));
        if (ending == QLatin1String("close")) {
            QVERIFY(window->close());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(run->future().isCanceled());
            QVERIFY(ended.wait(30000));
            QVERIFY(run->cancelled());
            return;
        }
        if (endless)
            window->findChild<QToolButton*>(QStringLiteral("cancelLayout"))->click();
        QVERIFY(ended.count() > 0 || ended.wait(30000));
        QCoreApplication::processEvents();
        QVERIFY(told.count() >= 1);
        const int pages = window->findChild<QSpinBox*>(QStringLiteral("pageNumber"))->maximum();
        QVERIFY(pages >= 1);
        if (ending == QStringLiteral("end")) {
            QVERIFY(m_errors.isEmpty());
            QCOMPARE(pages, run->pages()->pageCount());
            QCOMPARE(count->text(), QStringLiteral("de %1").arg(pages));
            QVERIFY(print->isEnabled());
        } else {
            QCOMPARE(count->text(), QStringLiteral("de %1 (interrompido)").arg(pages));
            QVERIFY(!print->isEnabled());
            QCOMPARE(run->cancelled(), endless);
            QCOMPARE(m_errors.size(), endless ? 0 : 1);
            if (!endless)
                QVERIFY2(m_errors.first().contains(QStringLiteral("erro na consulta do relatório")),
                         qPrintable(m_errors.first()));
        }
        delete window;
    }

private:
    QStringList m_errors;
    // What happens while the next message is shown, as a message box's own events would.
    std::function<void()> m_whileMessageShown;
};

QTEST_MAIN(TestReportPreview)
#include "tst_report_preview.moc"

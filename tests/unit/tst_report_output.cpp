// What a reader gets: the pages of a report (headers on every page, groups continued, totals)
// and the same rows in the PDF's text and in the CSV.

#include "ReportTestSupport.h"
#include "report/ReportCsv.h"
#include "report/ReportFormat.h"
#include "report/ReportLayouter.h"
#include "report/ReportPainter.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

using namespace ReportTest;

namespace {

Criteria everything()
{
    Criteria criteria;
    criteria.emissionFrom = criteria.emissionTo = std::nullopt;
    return criteria;
}

// The PDF's text, page by page, as pdftotext lays it out.
QStringList pdfPages(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QString collapsed(const QString& line)
{
    return line.simplified();
}

// The detail lines of the PDF text: those that begin with an account and a check number.
QStringList detailLines(const QStringList& pages)
{
    static const QRegularExpression detail(QStringLiteral("^[0-9A-Z]{3} "));
    QStringList lines;
    for (const QString& page : pages)
        for (const QString& line : page.split(QLatin1Char('\n')))
            if (detail.match(collapsed(line)).hasMatch())
                lines << collapsed(line);
    return lines;
}

double heightOf(ReportDocument::Line::Kind kind)
{
    switch (kind) {
    case ReportDocument::Line::Kind::GroupHeading:
        return ReportLayouter::headingHeight;
    case ReportDocument::Line::Kind::Subtotal:
        return ReportLayouter::subtotalHeight;
    case ReportDocument::Line::Kind::GrandTotal:
        return ReportLayouter::grandTotalHeight;
    case ReportDocument::Line::Kind::Empty:
        return 2 * ReportLayouter::detailHeight;
    default:
        return ReportLayouter::detailHeight;
    }
}

QStringList csvLines(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestReportOutput : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_db = openSqlite(m_dir.filePath(QStringLiteral("demo.sqlite"))); }

    void pdfAndCsvHoldTheSameRows_data()
    {
        QTest::addColumn<int>("report");
        for (int report = 0; report <= 4; ++report)
            QTest::addRow("%d", report) << report;
    }

    void pdfAndCsvHoldTheSameRows()
    {
        QFETCH(int, report);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed.");
        const QString pdf = m_dir.filePath(QStringLiteral("r%1.pdf").arg(report));
        const QString csv = m_dir.filePath(QStringLiteral("r%1.csv").arg(report));
        const ReportDocument document =
            run(definition(report), everything(), *m_db, ReportJob::Output::Pdf, pdf);
        ReportCsv::write(document, csv);

        const QStringList pages = pdfPages(pdf);
        QCOMPARE(pages.size(), document.pageCount());
        QStringList fromCsv;
        const QStringList lines = csvLines(csv);
        QCOMPARE(lines.first(), document.labels.join(QLatin1Char(';')));
        for (const QString& line : lines.mid(1)) {
            QStringList cells = line.split(QLatin1Char(';'));
            cells.removeAll(QString());
            fromCsv << cells.join(QLatin1Char(' '));
        }
        QVERIFY(fromCsv.size() >= 10);
        QCOMPARE(detailLines(pages), fromCsv);
    }

    void everyPageHasTheHeader()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed.");
        const QString pdf = m_dir.filePath(QStringLiteral("header.pdf"));
        const ReportDocument document =
            run(definition(1), everything(), *m_db, ReportJob::Output::Pdf, pdf);
        const QStringList pages = pdfPages(pdf);
        QVERIFY(pages.size() >= 2);
        for (int i = 0; i < pages.size(); ++i) {
            const QString page = collapsed(pages.at(i));
            QVERIFY(page.contains(QStringLiteral("KLX47306 · KLX473")));
            QVERIFY(page.contains(QStringLiteral("Relação de cheques por número")));
            QVERIFY(page.contains(QStringLiteral("Página %1 de %2").arg(i + 1).arg(pages.size())));
            QVERIFY(page.contains(QStringLiteral("Processamento: 15/03/2026")));
            QVERIFY(page.contains(QStringLiteral("Critérios: teste")));
            QVERIFY(page.contains(QStringLiteral("Conta Cheque Emissão Compensação Favorecido")));
        }
        // The group running over a page break is headed again on the next page.
        for (int i = 1; i < document.pageCount(); ++i) {
            const auto& first = document.pages.at(i).lines.first();
            QCOMPARE(first.kind, ReportDocument::Line::Kind::GroupHeading);
            if (document.pages.at(i - 1).lines.last().kind == ReportDocument::Line::Kind::Detail)
                QVERIFY(collapsed(pages.at(i)).contains(document.headings.at(first.index)));
        }
        QVERIFY(collapsed(pages.last()).contains(QStringLiteral("Total geral — 90 cheques")));
        // The company names wrap to a second line; none is cut.
        QCOMPARE(document.companyLines.size(), 2);
        QCOMPARE(document.companyLines.join(QLatin1Char(' ')),
                 QStringLiteral("Empresas: (4) Comercial Horizonte Ltda; Distribuidora Serra Azul "
                                "S.A.; Indústria Vale Verde Ltda; Transportes Rio Claro Ltda"));
        for (const QString& line : document.companyLines)
            QVERIFY(collapsed(pages.first()).contains(line));
    }

    void linesStayInsideTheBody()
    {
        const ReportDocument document = run(definition(0), everything(), *m_db);
        const double bottom = document.pageSize.height() - document.margins.bottom();
        for (const ReportDocument::Page& page : document.pages) {
            QVERIFY(!page.lines.isEmpty());
            QVERIFY(page.lines.first().y >= document.bodyTop - 0.01);
            QVERIFY(page.lines.last().y + heightOf(page.lines.last().kind) <= bottom + 0.01);
            // Headings never end a page.
            QVERIFY(page.lines.last().kind != ReportDocument::Line::Kind::GroupHeading);
        }
    }

    void emptyReportSaysSo()
    {
        Criteria none = everything();
        none.accounts = QStringLiteral("999");
        const ReportDocument document = run(definition(0), none, *m_db);
        QCOMPARE(document.rows.size(), 0);
        QCOMPARE(document.pageCount(), 1);
        QCOMPARE(document.pages.first().lines.first().kind, ReportDocument::Line::Kind::Empty);
        QCOMPARE(document.totals.last().label, QStringLiteral("Total geral — 0 cheques"));
        QCOMPARE(document.totals.last().cells.last(), QStringLiteral("0,00"));
        QCOMPARE(ReportCsv::text(document), document.labels.join(QLatin1Char(';')) + "\r\n");
    }

    void csvQuotesWhatNeedsIt()
    {
        ReportDocument document;
        document.labels = {QStringLiteral("A"), QStringLiteral("B;C")};
        document.rows = {{QStringLiteral("say \"oi\""), QStringLiteral("1.234,56")}};
        QCOMPARE(ReportCsv::text(document),
                 QStringLiteral("A;\"B;C\"\r\n\"say \"\"oi\"\"\";1.234,56\r\n"));
    }

    void longTextIsElidedNotClipped()
    {
        Criteria criteria = everything();
        ReportDocument document = run(definition(0), criteria, *m_db);
        document.rows[0][4] = QString(200, QLatin1Char('W'));
        const QImage page = ReportPainter::pageImage(document, 0, 72);
        // Nothing is painted in the gap between the payee and the status columns.
        const int gapX = qRound(document.columnLeft.at(5)) - 1;
        const int y = qRound(document.pages.first().lines.at(1).y);
        for (int dy = 1; dy < ReportLayouter::detailHeight - 1; ++dy)
            QCOMPARE(page.pixelColor(gapX, y + dy), QColor(Qt::white));
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TdtmDBGeral> m_db;
};

QTEST_MAIN(TestReportOutput)
#include "tst_report_output.moc"

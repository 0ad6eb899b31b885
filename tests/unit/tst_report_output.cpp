// What a reader gets: the pages of a report (headers on every page, groups continued, totals)
// and the same rows in the PDF's text and in the CSV.

#include "ReportTestSupport.h"
#include "base/Exceptions.h"
#include "report/engine/ReportFonts.h"
#include "report/engine/ReportFormat.h"
#include "report/engine/ReportLayouter.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportPainter.h"
#include "report/engine/ReportSizes.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtTest>
#include <thread>

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

// The body lines of the PDF text: those that begin with an account, the totals and the state
// summaries.
QStringList bodyLines(const QStringList& pages)
{
    static const QRegularExpression body(
        QStringLiteral("^([0-9A-Z]{3} |Total |Cheques de |Emitidos: |Cancelados: |Disponíveis: |"
                       "Conta [0-9]{3}, cheque )"));
    QStringList lines;
    for (const QString& page : pages)
        for (const QString& line : page.split(QLatin1Char('\n')))
            if (body.match(collapsed(line)).hasMatch())
                lines << collapsed(line);
    return lines;
}

double heightOf(WholeReport::Line::Kind kind)
{
    switch (kind) {
    case WholeReport::Line::Kind::GroupHeading:
        return ReportSizes::headingHeight;
    case WholeReport::Line::Kind::Subtotal:
        return ReportSizes::subtotalHeight;
    case WholeReport::Line::Kind::GrandTotal:
        return ReportSizes::grandTotalHeight;
    case WholeReport::Line::Kind::Empty:
        return 2 * ReportSizes::detailHeight;
    default:
        return ReportSizes::detailHeight;
    }
}

QString textOf(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

// The CSV's rows, their quoted fields read back.
QList<QStringList> csvRows(const QString& path)
{
    const QString text = textOf(path);
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted && c == QLatin1Char('"') && i + 1 < text.size() &&
            text.at(i + 1) == QLatin1Char('"')) {
            cell += c;
            ++i;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char(';')) {
            row << cell;
            cell.clear();
        } else if (!quoted && c == QLatin1Char('\r')) {
            row << cell;
            rows << row;
            row.clear();
            cell.clear();
            ++i; // the line feed
        } else {
            cell += c;
        }
    }
    return rows;
}

} // namespace

class TestReportOutput : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_db = demo(m_dir.filePath(QStringLiteral("demo.sqlite"))); }

    void pdfAndCsvHoldTheSameRows_data()
    {
        QTest::addColumn<int>("report");
        for (int report = 0; report <= 5; ++report)
            QTest::addRow("%d", report) << report;
    }

    // The CSV with its totals, written as the product writes it, reads line for line as the
    // body of the PDF's pages: the same rows, total labels, amounts and state summaries.
    void pdfAndCsvHoldTheSameRows()
    {
        QFETCH(int, report);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed.");
        const QString pdf = m_dir.filePath(QStringLiteral("r%1.pdf").arg(report));
        const QString csv = m_dir.filePath(QStringLiteral("r%1.csv").arg(report));
        const WholeReport document = run(definition(report), everything(), *m_db, pdf);
        const WholeReport counted =
            run(definition(report), everything(), *m_db, csv, {true, false});
        QCOMPARE(counted.pageCount(), document.pageCount());

        QStringList pages = pdfPages(pdf);
        QCOMPARE(pages.size(), document.pageCount());
        // The closing table of a report is the pages' own.
        const QString table = definition(report).crosstab.title;
        for (QString& page : pages)
            if (!table.isEmpty() && page.contains(table))
                page.truncate(page.indexOf(table));
        const QList<QStringList> rows = csvRows(csv);
        QCOMPARE(rows.first(), document.labels + document.exportLabels);
        QStringList fromCsv;
        for (QStringList cells : rows.mid(1)) {
            // The columns only the CSV carries are not on the page.
            cells = cells.mid(0, document.labels.size());
            cells.removeAll(QString());
            fromCsv << cells.join(QLatin1Char(' '));
        }
        QVERIFY(fromCsv.size() >= 10);
        QCOMPARE(bodyLines(pages), fromCsv);
        QCOMPARE(fromCsv
                     .filter(QRegularExpression(
                         QStringLiteral("^%1( |$)").arg(definition(report).grandTotalLabel)))
                     .size(),
                 1);
    }

    void csvCriteriaAndFormulaGuard()
    {
        const auto module = demoWith(QStringLiteral(
            "('001', '009001', '01', '2026-03-15', NULL, -1234.56, "
            "'=HYPERLINK(\"http://x\",\"y\")', '1'), ('001', '009002', '01', '2026-03-15', "
            "NULL, 10, '@SUM(A1)', '1'), ('001', '009003', '01', '2026-03-15', NULL, 10, "
            "'+5511999', '1'), ('001', '009004', '01', '2026-03-15', NULL, 10, '-2', '1')"));
        QVERIFY(module);
        Criteria criteria;
        criteria.accounts = QStringLiteral("001");
        const WholeReport document = run(definition(1), criteria, *module);
        ReportJob::Request request = requestFor(definition(1), criteria, *module);
        request.header.fullCriteria = {{QStringLiteral("Contas"), QStringLiteral("001")},
                                       {QStringLiteral("Nota"), QStringLiteral("=1+1")}};
        request.path = m_dir.filePath(QStringLiteral("criterios.csv"));
        request.options = {false, true};
        run(request);
        const QStringList lines = textOf(request.path).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.mid(0, 6),
                 QStringList({"Relatório;Relação de cheques por número", "Processamento;15/03/2026",
                              "Contas;001", "Nota;'=1+1", "",
                              (document.labels + document.exportLabels).join(QLatin1Char(';'))}));
        // After the printed columns, the account's heading and the amount that counts.
        const QString account = QStringLiteral("Movimento Aurora;01;Comercial Horizonte Ltda;");
        QCOMPARE(lines.at(7),
                 QStringLiteral("001;009001;15/03/2026;;\"'=HYPERLINK(\"\"http://x\"\","
                                "\"\"y\"\")\";Emitido;-1.234,56;") +
                     account + QStringLiteral("-1.234,56"));
        QCOMPARE(lines.at(8), QStringLiteral("001;009002;15/03/2026;;'@SUM(A1);Emitido;10,00;") +
                                  account + QStringLiteral("10,00"));
        QCOMPARE(lines.at(9), QStringLiteral("001;009003;15/03/2026;;'+5511999;Emitido;10,00;") +
                                  account + QStringLiteral("10,00"));
        QCOMPARE(lines.at(10), QStringLiteral("001;009004;15/03/2026;;'-2;Emitido;10,00;") +
                                   account + QStringLiteral("10,00"));
        // The page shows the payee as it is.
        QCOMPARE(document.rows.at(1).at(4), QStringLiteral("=HYPERLINK(\"http://x\",\"y\")"));
    }

    // The file's metadata keeps the criteria in full, the codes and the title, whatever
    // characters they hold.
    // Painted by one thread or by several into parts joined into one file, the pages read
    // the same, page for page.
    void pagesAreTheSameWhateverThePainters_data()
    {
        QTest::addColumn<int>("threads");
        QTest::newRow("2") << 2;
        QTest::newRow("3") << 3;
    }

    void pagesAreTheSameWhateverThePainters()
    {
        QFETCH(int, threads);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed.");
        const QString alone = m_dir.filePath(QStringLiteral("um.pdf"));
        const QString parts = m_dir.filePath(QStringLiteral("partes.pdf"));
        ReportOutput::Options options;
        options.threads = 1;
        const WholeReport document = run(definition(0), everything(), *m_db, alone, options);
        options.threads = threads;
        run(definition(0), everything(), *m_db, parts, options);
        QVERIFY(document.pageCount() >= threads);
        const QStringList pages = pdfPages(alone);
        QCOMPARE(pages.size(), document.pageCount());
        QCOMPARE(pdfPages(parts), pages);
        // Each part's fonts are its own: the file grows by little more than a font subset a part.
        QVERIFY(QFileInfo(parts).size() < QFileInfo(alone).size() * 2);
    }

    // A page shown while the report is still being laid out says its number and leaves the
    // count out; once the report is finished it says the count.
    void footerWaitsForThePageCount()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed.");
        const ReportDefinition report = definition(1);
        ReportJob::Request request = requestFor(report, everything(), *m_db);
        ReportFrame::Header header = request.header;
        ReportLayouter layouter(report, {QStringLiteral("CDREDUCONT"), QStringLiteral("NRCHEQUE")},
                                {ReportValueFormat::Code, ReportValueFormat::Code}, header);
        ReportPages pages(layouter.sourceName());
        pages.cutAsPlaced(layouter.provisionalFrame(),
                          [&layouter] { return layouter.provisionalFrame(); });
        for (int row = 0; row < 200; ++row)
            layouter.addRow(
                {QStringLiteral("001"), QStringLiteral("%1").arg(row, 6, 10, QLatin1Char('0'))},
                pages);
        const auto footOfPage = [&](int page) {
            const QString path = m_dir.filePath(QStringLiteral("rodape.pdf"));
            {
                const ReportPages::Progress progress = pages.progress();
                QPdfWriter writer(path);
                writer.setPageSize(QPageSize(QPageSize::A4));
                writer.setPageMargins(QMarginsF());
                writer.setResolution(72);
                QPainter painter(&writer);
                ReportPainter::paintPage(painter, progress.frame, pages.pages(page, page), page);
            }
            const QStringList text = pdfPages(path);
            static const QRegularExpression foot(QStringLiteral("Página \\S+ de \\S+"));
            return text.isEmpty() ? QString() : foot.match(text.first()).captured();
        };
        QVERIFY(pages.progress().pages >= 2);
        QCOMPARE(footOfPage(1), QStringLiteral("Página 2 de …"));
        pages.finish(layouter.finish(pages), layouter.rowCount());
        QCOMPARE(footOfPage(1), QStringLiteral("Página 2 de %1").arg(pages.pageCount()));
    }

    void pdfMetadataKeepsTheCriteria_data()
    {
        QTest::addColumn<int>("threads");
        QTest::newRow("one painter") << 1;
        QTest::newRow("parts joined") << 2;
    }

    void pdfMetadataKeepsTheCriteria()
    {
        QFETCH(int, threads);
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("pdfinfo (poppler-utils) is not installed.");
        ReportJob::Request request = requestFor(definition(1), everything(), *m_db);
        request.header.fullCriteria = {{QStringLiteral("Contas"), QStringLiteral("001, 002")},
                                       {QStringLiteral("Nota"), QStringLiteral("<a> & \"b\"")}};
        request.path = m_dir.filePath(QStringLiteral("metadados.pdf"));
        request.options.threads = threads;
        QVERIFY(run(request).pageCount() > 1);
        QProcess properties;
        properties.start(QStringLiteral("pdfinfo"), {request.path});
        QVERIFY(properties.waitForFinished(60000));
        const QString text = QString::fromUtf8(properties.readAllStandardOutput());
        QVERIFY2(text.contains(
                     QRegularExpression(QStringLiteral("Title: +Relação de cheques por número\n"))),
                 qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Creator: +KLX\n"))),
                 qPrintable(text));
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {QStringLiteral("-meta"), request.path});
        QVERIFY(info.waitForFinished(60000));
        QXmlStreamReader xmp(info.readAllStandardOutput());
        QMap<QString, QStringList> values;
        QStringList path;
        while (!xmp.atEnd()) {
            xmp.readNext();
            if (xmp.isStartElement())
                path << xmp.qualifiedName().toString();
            else if (xmp.isEndElement())
                path.removeLast();
            else if (xmp.isCharacters() && !xmp.isWhitespace())
                values[path.value(3)] << xmp.text().toString();
        }
        QVERIFY2(!xmp.hasError(), qPrintable(xmp.errorString()));
        QCOMPARE(values.value(QStringLiteral("dc:description")),
                 QStringList{QStringLiteral("Critérios: Contas: 001, 002; Nota: <a> & \"b\"")});
        QCOMPARE(values.value(QStringLiteral("dc:title")),
                 QStringList{QStringLiteral("Relação de cheques por número")});
        QCOMPARE(values.value(QStringLiteral("dc:subject")),
                 (QStringList{"KLX47306", "KLX473", "Relação de cheques por número"}));
        QCOMPARE(values.value(QStringLiteral("pdf:Keywords")),
                 QStringList{QStringLiteral("KLX47306, KLX473, Relação de cheques por número")});
    }

    // An amount of thirteen digits and a grand total beyond it print whole, cents included;
    // the payee column gives way.
    void largeAmountsAreNeverCut()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed.");
        const auto module = demoWith(QStringLiteral(
            "('001', '009001', '01', '2026-03-15', NULL, 1227334438.54, "
            "'Incorporadora Grande Negócio S.A. de Empreendimentos Imobiliários', '1'), "
            "('001', '009002', '01', '2026-03-15', NULL, 9999999999999.99, 'Tesouro', '1')"));
        QVERIFY(module);
        const QString pdf = m_dir.filePath(QStringLiteral("large.pdf"));
        const WholeReport document = run(definition(0), Criteria(), *module, pdf);
        const QString text = pdfPages(pdf).join(QLatin1Char('\n'));
        for (const char* amount :
             {"1.227.334.438,54", "9.999.999.999.999,99", "10.001.227.386.660,36"})
            QVERIFY2(text.contains(QLatin1String(amount)), amount);
        QVERIFY(!text.contains(QStringLiteral(",9…")) && !text.contains(QStringLiteral("8…")));
        QVERIFY(text.contains(QStringLiteral("Incorporadora Grande")));
        QVERIFY(!text.contains(QStringLiteral("Imobiliários")));
        const int value = static_cast<int>(document.labels.indexOf(QStringLiteral("Valor (R$)")));
        QVERIFY(
            document.columnWidth.at(value) - 2 * ReportSizes::cellPadding >=
            ReportFonts::width(ReportFonts::Role::Bold, QStringLiteral("10.001.227.386.660,36")));
        const double right = document.pageSize.width() - document.margins.right();
        QCOMPARE(document.columnLeft.last() + document.columnWidth.last(), right);
    }

    // Texts are measured against a device of the resolution asked for, one per thread: the
    // threads that paint a PDF's pages never share one.
    void fontsAreMeasuredOnEachThreadsOwnDevice()
    {
        const QPaintDevice* layout = ReportFonts::measuringDevice(600);
        QCOMPARE(ReportFonts::measuringDevice(600), layout);
        QCOMPARE(layout->logicalDpiX(), 600);
        QCOMPARE(layout->logicalDpiY(), 600);
        const QPaintDevice* fine = ReportFonts::measuringDevice(720);
        QVERIFY(fine != layout);
        QCOMPARE(fine->logicalDpiY(), 720);
        const QPaintDevice* other = nullptr;
        int otherDpi = 0;
        std::thread([&] {
            other = ReportFonts::measuringDevice(600);
            otherDpi = other->logicalDpiY();
        }).join();
        QVERIFY(other != layout);
        QCOMPARE(otherDpi, 600);
    }

    void longTitlesWrapOrShrink()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed.");
        ReportDefinition report = definition(1);
        report.title = QStringLiteral("Relação de cheques por número de todas as contas correntes "
                                      "da matriz e das filiais (cópia 2)");
        const QString pdf = m_dir.filePath(QStringLiteral("title.pdf"));
        WholeReport document = run(report, Criteria(), *m_db, pdf);
        QCOMPARE(document.titleLines.size(), 2);
        QCOMPARE(document.titleSize, 11.0);
        QCOMPARE(document.titleLines.join(QLatin1Char(' ')), report.title);
        const QString page = collapsed(pdfPages(pdf).first());
        for (const QString& line : document.titleLines)
            QVERIFY2(page.contains(line), qPrintable(line));
        QFont font = ReportFonts::font(ReportFonts::Role::Title);
        const double room = document.pageSize.width() - document.margins.left() -
                            document.margins.right() - 2 * document.titleSide;
        for (const QString& line : document.titleLines)
            QVERIFY(ReportFonts::width(font, line) <= room);

        report.title =
            QString(30, QLatin1Char(' ')).replace(QLatin1Char(' '), QStringLiteral("Palavra "));
        document = run(report, Criteria(), *m_db);
        QCOMPARE(document.titleLines.size(), 2);
        QVERIFY(document.titleSize < 11.0);
        font.setPointSizeF(document.titleSize);
        for (const QString& line : document.titleLines)
            QVERIFY(ReportFonts::width(font, line) <= room);
        QVERIFY(document.bodyTop > document.titleHeight + document.margins.top());
    }

    void everyPageHasTheHeader()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed.");
        const QString pdf = m_dir.filePath(QStringLiteral("header.pdf"));
        const WholeReport document = run(definition(1), everything(), *m_db, pdf);
        const QStringList pages = pdfPages(pdf);
        QVERIFY(pages.size() >= 2);
        for (int i = 0; i < pages.size(); ++i) {
            const QString page = collapsed(pages.at(i));
            QVERIFY(page.contains(QStringLiteral("KLX47306 · KLX473")));
            QVERIFY(page.contains(QStringLiteral("Relação de cheques por número")));
            // The foot says who printed it, when, and the page.
            QVERIFY(page.contains(
                QStringLiteral("Emitido em 15/03/2026 10:30 por ADM — Página %1 de %2")
                    .arg(i + 1)
                    .arg(pages.size())));
            QVERIFY(page.contains(QStringLiteral("Processamento: 15/03/2026")));
            QVERIFY(page.contains(QStringLiteral("Critérios: teste")));
            QVERIFY(page.contains(QStringLiteral("Conta Cheque Emissão Compensação Favorecido")));
        }
        // The group running over a page break is headed again on the next page.
        for (int i = 1; i < document.pageCount(); ++i) {
            // Under the running total carried in from the page before.
            QCOMPARE(document.pages.at(i).lines.first().kind, WholeReport::Line::Kind::CarriedIn);
            const auto& first = document.pages.at(i).lines.at(1);
            QCOMPARE(first.kind, WholeReport::Line::Kind::GroupHeading);
            if (document.pages.at(i - 1).lines.last().kind == WholeReport::Line::Kind::Detail)
                QVERIFY(collapsed(pages.at(i)).contains(document.headings.at(first.index)));
        }
        QVERIFY(collapsed(pages.last()).contains(QStringLiteral("Total geral — 90 cheques")));
        // The issued total carried: at the foot of a page the issued amounts of the rows so far,
        // at the head of the next the same.
        const int value = static_cast<int>(document.labels.indexOf(QStringLiteral("Valor (R$)")));
        const int state = static_cast<int>(document.labels.indexOf(QStringLiteral("Status")));
        qint64 issued = 0;
        for (int i = 0; i < document.pageCount(); ++i) {
            const auto& lines = document.pages.at(i).lines;
            if (i > 0) {
                QCOMPARE(document.totals.at(lines.first().index).label,
                         QStringLiteral("Transporte"));
                QCOMPARE(document.totals.at(lines.first().index).cells.at(value),
                         ReportFormat::money(issued));
            }
            for (const auto& line : lines)
                if (line.kind == WholeReport::Line::Kind::Detail &&
                    document.rows.at(line.index).at(state) == QLatin1String("Emitido"))
                    issued += *ReportFormat::centsOf(
                        QString(document.rows.at(line.index).at(value)).remove(QLatin1Char('.')));
            if (i + 1 < document.pageCount()) {
                QCOMPARE(lines.last().kind, WholeReport::Line::Kind::CarriedOut);
                QCOMPARE(document.totals.at(lines.last().index).label,
                         QStringLiteral("A transportar"));
                QCOMPARE(document.totals.at(lines.last().index).cells.at(value),
                         ReportFormat::money(issued));
                QVERIFY(
                    collapsed(pages.at(i))
                        .contains(QStringLiteral("A transportar ") + ReportFormat::money(issued)));
            }
        }
        // The company names wrap to a second line; none is cut.
        QCOMPARE(document.companyLines.size(), 2);
        QCOMPARE(document.companyLines.join(QLatin1Char(' ')),
                 QStringLiteral("Empresas: (4) Comercial Horizonte Ltda; Distribuidora Serra Azul "
                                "S.A.; Indústria Vale Verde Ltda; Transportes Rio Claro Ltda"));
        for (const QString& line : document.companyLines)
            QVERIFY(collapsed(pages.first()).contains(line));
    }

    // A clerk's daily report: a date of one check has no subtotal, a group of one state no
    // state line, a group of no issued check a count but no amount; the quarter takes no more
    // pages than the report by number. Cancelled checks are marked on the page.
    void dailyReportIsShort()
    {
        Criteria quarter;
        quarter.emissionFrom = day(2026, 1, 1);
        quarter.emissionTo = day(2026, 3, 31);
        const WholeReport daily = run(definition(0), quarter, *m_db);
        const int byNumber = run(definition(1), quarter, *m_db).pageCount();
        QVERIFY2(daily.pageCount() <= byNumber + 1,
                 qPrintable(QStringLiteral("%1 %2").arg(daily.pageCount()).arg(byNumber)));
        int dates = 0;
        for (const WholeReport::Total& total : daily.totals) {
            if (!total.label.startsWith(QStringLiteral("Cheques de ")))
                continue;
            ++dates;
            QVERIFY2(!total.label.endsWith(QStringLiteral(" 1 cheque")), qPrintable(total.label));
            QVERIFY2(total.states.isEmpty() || total.states.contains(QLatin1Char(';')),
                     qPrintable(total.states));
            if (!total.states.isEmpty() && !total.states.contains(QStringLiteral("Emitidos")))
                QCOMPARE(total.cells.last(), QString());
        }
        QVERIFY(dates > 0);
        const int state = static_cast<int>(daily.labels.indexOf(QStringLiteral("Status")));
        QVERIFY(daily.cancelled.contains(true));
        for (int i = 0; i < daily.rows.size(); ++i)
            QCOMPARE(daily.cancelled.at(i),
                     daily.rows.at(i).at(state) == QLatin1String("Cancelado"));
    }

    // The reconciliation ends with a line to sign; a number never touches the text after it;
    // a long heading continued on a page is shortened, not its marker; a long check number is
    // printed whole.
    void pagesReadAsAnAuditorExpects()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed.");
        const QString pdf = m_dir.filePath(QStringLiteral("conciliacao.pdf"));
        const WholeReport reconciliation = run(definition(2), everything(), *m_db, pdf);
        QVERIFY(reconciliation.notes.last().startsWith(QStringLiteral("Conferido por: ____")));
        QVERIFY(collapsed(pdfPages(pdf).last()).contains(QStringLiteral("Conferido por: ____")));
        const int days = static_cast<int>(reconciliation.labels.indexOf(QStringLiteral("Dias")));
        double widest = 0;
        for (const QStringList& row : reconciliation.rows)
            widest = std::max(widest, ReportFonts::width(ReportFonts::Role::Body, row.at(days)));
        const double digitsEnd = reconciliation.columnLeft.at(days) +
                                 reconciliation.columnWidth.at(days) - ReportSizes::cellPadding -
                                 ReportSizes::numberGap;
        QVERIFY(digitsEnd - widest >= reconciliation.columnLeft.at(days));
        QVERIFY(reconciliation.columnLeft.at(days + 1) + ReportSizes::cellPadding - digitsEnd >= 6);

        const auto module = demoWith(QStringLiteral(
            "('001', '0000001234567', '01', '2026-03-15', NULL, 10, 'Favorecido', '1')"));
        QVERIFY(module);
        QSqlQuery rename(module->database());
        QVERIFY(rename.exec(QStringLiteral(
            "UPDATE CONTCORR SET DSCONTCORR = 'Conta de movimento da matriz para pagamentos de "
            "fornecedores, impostos e folha' WHERE CDREDUCONT = '001'")));
        Criteria account = everything();
        account.accounts = QStringLiteral("001");
        ReportDefinition report = definition(1);
        report.groups.first().heading += QStringLiteral(" — e mais um texto longo no cabeçalho");
        const QString long_ = m_dir.filePath(QStringLiteral("long.pdf"));
        for (int i = 0; i < 6; ++i) {
            // Enough rows for two pages.
            QSqlQuery more(module->database());
            QVERIFY(more.exec(QStringLiteral("INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE, CDEMPRESA, "
                                             "DTEMISSAO, DTCOMPENSACAO, VLCHEQUE, NMFAVORECIDO, "
                                             "IDSTATUS) SELECT CDREDUCONT, NRCHEQUE || '%1', "
                                             "CDEMPRESA, DTEMISSAO, DTCOMPENSACAO, VLCHEQUE, "
                                             "NMFAVORECIDO, IDSTATUS FROM CHEQUE WHERE "
                                             "CDREDUCONT = '001' AND length(NRCHEQUE) = 6")
                                  .arg(i)));
        }
        const WholeReport document = run(report, account, *module, long_);
        QVERIFY(document.pageCount() >= 2);
        const QStringList pages = pdfPages(long_);
        QVERIFY(collapsed(pages.at(1)).contains(QStringLiteral("… (continuação)")));
        QVERIFY(collapsed(pages.first()).contains(QStringLiteral("001 0000001234567 ")));
    }

    // The header of an empty report names the companies it covers.
    void emptyReportNamesItsCompanies()
    {
        Criteria none = everything();
        none.accounts = QStringLiteral("999");
        QCOMPARE(run(definition(1), none, *m_db).header.companies,
                 QStringLiteral("Comercial Horizonte Ltda; Distribuidora Serra Azul S.A.; "
                                "Indústria Vale Verde Ltda; Transportes Rio Claro Ltda"));
        none.companies = QStringLiteral("02");
        QCOMPARE(run(definition(1), none, *m_db).header.companies,
                 QStringLiteral("Distribuidora Serra Azul S.A."));
    }

    // The CSV for Excel: a byte-order mark, codes as text; the account's heading and the amount
    // that counts, whose sum is the grand total.
    void csvForSpreadsheets()
    {
        const QString csv = m_dir.filePath(QStringLiteral("excel.csv"));
        const WholeReport document = run(definition(1), everything(), *m_db);
        run(definition(1), everything(), *m_db, csv, {false, false, true});
        const QByteArray bytes = [&] {
            QFile file(csv);
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QList<QStringList> rows = csvRows(csv);
        rows.first().first().remove(QChar(0xFEFF));
        QCOMPARE(rows.first(), document.labels + document.exportLabels);
        QCOMPARE(document.exportLabels, QStringList({"Descrição da conta", "Empresa",
                                                     "Nome da empresa", "Valor considerado"}));
        // Excel reads ="001101" as the text 001101.
        const QString first = textOf(csv).split(QStringLiteral("\r\n")).at(1);
        QVERIFY2(first.startsWith(QStringLiteral("=\"001\";=\"001101\";")), qPrintable(first));
        QVERIFY2(
            first.contains(QStringLiteral(";Movimento Aurora;=\"01\";Comercial Horizonte Ltda;")),
            qPrintable(first));
        qint64 considered = 0;
        for (const QStringList& row : rows.mid(1)) {
            const auto cents = ReportFormat::centsOf(QString(row.last()).remove(QLatin1Char('.')));
            QVERIFY2(cents, qPrintable(row.join(QLatin1Char(';'))));
            considered += *cents;
        }
        QCOMPARE(ReportFormat::money(considered), document.totals.last().cells.last());
        // Without the choice, the codes are as they are.
        run(definition(1), everything(), *m_db, csv);
        QCOMPARE(csvRows(csv).at(1).mid(0, 2), QStringList({"001", "001101"}));
    }

    // The workbook, read by another program (openpyxl), holds the CSV's cells: numbers as
    // numbers in the money format, dates as dates, codes as text, the labels frozen and
    // filtered, the totals bold, the criteria on a second sheet.
    void xlsxHoldsTheCsvCells_data()
    {
        QTest::addColumn<int>("report");
        for (int report = 0; report <= 5; ++report)
            QTest::addRow("%d", report) << report;
    }

    void xlsxHoldsTheCsvCells()
    {
        QFETCH(int, report);
        const QString csv = m_dir.filePath(QStringLiteral("planilha.csv"));
        const QString xlsx = m_dir.filePath(QStringLiteral("planilha.xlsx"));
        const WholeReport document =
            run(definition(report), everything(), *m_db, csv, {true, false, false});
        run(definition(report), everything(), *m_db, xlsx, {true, false, false});
        QProcess reader;
        reader.start(QStringLiteral(KLX_SYSTEM_PYTHON),
                     {QStringLiteral(KLX_SOURCE_DIR "/tests/unit/xlsx_cells.py"), xlsx});
        QVERIFY(reader.waitForFinished(60000));
        QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
        const QJsonObject book = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
        QCOMPARE(book.value(QStringLiteral("frozen")).toString(), QStringLiteral("A2"));
        const QJsonArray cells = book.value(QStringLiteral("rows")).toArray();
        const QList<QStringList> rows = csvRows(csv);
        QCOMPARE(cells.size(), rows.size());
        QCOMPARE(book.value(QStringLiteral("filter")).toString(),
                 QStringLiteral("A1:%1%2")
                     .arg(QChar(static_cast<char16_t>(u'A' + rows.first().size() - 1)))
                     .arg(rows.size()));
        const QVector<ReportValueFormat>& formats = document.formats;
        for (int r = 0; r < rows.size(); ++r) {
            const QJsonArray row = cells.at(r).toArray();
            for (int c = 0; c < rows.at(r).size(); ++c) {
                const QString text = rows.at(r).at(c);
                const QJsonObject cell = row.at(c).toObject();
                const QString type = cell.value(QStringLiteral("type")).toString();
                const bool body = r > 0 && !text.isEmpty();
                const ReportValueFormat format = formats.value(c);
                if (body && format == ReportValueFormat::Money && text.contains(QLatin1Char(','))) {
                    QCOMPARE(type, QStringLiteral("n"));
                    QCOMPARE(qRound64(cell.value(QStringLiteral("value")).toDouble() * 100),
                             *ReportFormat::centsOf(QString(text).remove(QLatin1Char('.'))));
                    QCOMPARE(cell.value(QStringLiteral("format")).toString(),
                             QStringLiteral("#,##0.00"));
                } else if (body && format == ReportValueFormat::Date &&
                           text.contains(QLatin1Char('/'))) {
                    QCOMPARE(type, QStringLiteral("d"));
                    QCOMPARE(QDate::fromString(cell.value(QStringLiteral("value")).toString(),
                                               Qt::ISODate),
                             QDate::fromString(text, QStringLiteral("dd/MM/yyyy")));
                } else if (body && format == ReportValueFormat::Integer &&
                           !text.contains(QLatin1Char(' '))) {
                    QCOMPARE(type, QStringLiteral("n"));
                    QCOMPARE(cell.value(QStringLiteral("value")).toInteger(),
                             QString(text).remove(QLatin1Char('.')).toLongLong());
                } else {
                    QCOMPARE(cell.value(QStringLiteral("value")).toString(), text);
                }
            }
            // A total line is bold.
            QVERIFY2((row.at(0).toObject().value(QStringLiteral("bold")).toBool() && r > 0) ==
                         rows.at(r).first().contains(
                             QRegularExpression(QStringLiteral("^(Total|Cheques de )"))),
                     qPrintable(rows.at(r).join(QLatin1Char(';'))));
        }
        const QJsonArray criteria = book.value(QStringLiteral("criteria")).toArray();
        QCOMPARE(
            criteria.at(0).toArray().at(1).toObject().value(QStringLiteral("value")).toString(),
            document.header.title);
    }

    void linesStayInsideTheBody()
    {
        const WholeReport document = run(definition(0), everything(), *m_db);
        const double bottom = document.pageSize.height() - document.margins.bottom();
        for (const WholeReport::Page& page : document.pages) {
            QVERIFY(!page.lines.isEmpty());
            QVERIFY(page.lines.first().y >= document.bodyTop - 0.01);
            QVERIFY(page.lines.last().y + heightOf(page.lines.last().kind) <= bottom + 0.01);
            // Headings never end a page.
            QVERIFY(page.lines.last().kind != WholeReport::Line::Kind::GroupHeading);
        }
    }

    // Whatever the number of rows before a page break: a heading never ends a page, the
    // closing lines of a group never begin one without a row of the group (repeated heading
    // above it), and the grand total stays with the last rows.
    void closingLinesStayWithTheirRows()
    {
        int movedRows = 0;
        for (int first = 60; first <= 80; ++first) {
            const ReportDefinition report = ReportDefinition::parse(
                QStringLiteral("title: Quebra\n"
                               "count: cheque | cheques\n"
                               "state: ST | 1 | Emitidos | total\n"
                               "state: ST | 2 | Cancelados | amount\n"
                               "group: G | Grupo {G} | Total do grupo {G}\n"
                               "group: D | - | Dia {D}\n"
                               "column: G | Grupo\n"
                               "column: D | Dia\n"
                               "column: V | Valor | 10 | right | money\n"
                               "sum: V\n"
                               "sql:\n"
                               "  WITH RECURSIVE S(R) AS (SELECT 0 UNION ALL SELECT R + 1 FROM S\n"
                               "                          WHERE R < %1)\n"
                               "  SELECT CASE WHEN R < %2 THEN 'A' ELSE 'B' END AS G,\n"
                               "         CAST(R / 3 AS TEXT) AS D, 1 AS V,\n"
                               "         CASE WHEN R % 4 = 0 THEN '2' ELSE '1' END AS ST\n"
                               "  FROM S ORDER BY R\n")
                    .arg(first + 1)
                    .arg(first),
                QStringLiteral("quebra.rpt"));
            const WholeReport document = run(report, Criteria(), *m_db);
            QCOMPARE(document.rows.size(), first + 2);
            const double bottom = document.pageSize.height() - document.margins.bottom();
            QVERIFY(document.pageCount() >= 2);
            for (const WholeReport::Page& page : document.pages) {
                QVERIFY(page.lines.last().kind != WholeReport::Line::Kind::GroupHeading);
                QVERIFY(page.lines.last().y + heightOf(page.lines.last().kind) <= bottom + 0.01);
                bool rowSeen = false;
                for (const WholeReport::Line& line : page.lines) {
                    rowSeen = rowSeen || line.kind == WholeReport::Line::Kind::Detail;
                    if (line.kind == WholeReport::Line::Kind::Subtotal ||
                        line.kind == WholeReport::Line::Kind::StateSummary ||
                        line.kind == WholeReport::Line::Kind::GrandTotal)
                        QVERIFY2(rowSeen, qPrintable(QStringLiteral("%1 rows").arg(first)));
                }
            }
            const auto& second = document.pages.at(1).lines;
            QCOMPARE(second.first().kind, WholeReport::Line::Kind::GroupHeading);
            QCOMPARE(document.headings.at(second.first().index),
                     QStringLiteral("Grupo A (continuação)"));
            // The case this guards: a group's last row moved to close it on the next page.
            for (const WholeReport::Page& page : document.pages.mid(1))
                if (page.lines.at(1).kind == WholeReport::Line::Kind::Detail &&
                    page.lines.at(2).kind == WholeReport::Line::Kind::Subtotal)
                    ++movedRows;
        }
        QVERIFY(movedRows > 0);
    }

    // A row that cannot fit a page with what must go with it is a layout error, never drawn
    // past the page's bottom.
    void rowThatCannotFitIsAnError()
    {
        QString text =
            QStringLiteral("title: Fundo\ncolumn: G0\nstate: ST | 1 | Emitidos | total\n");
        QStringList fields;
        for (int level = 0; level < ReportDefinition::groupLevelsAtMost; ++level) {
            text += QStringLiteral("group: G%1 | Nível {G%1} | Total {G%1}\n").arg(level);
            fields << QStringLiteral("'x' AS G%1").arg(level);
        }
        // Each row brings a state of its own: the totals' state summaries outgrow a page.
        text += QStringLiteral("sql:\n"
                               "  WITH RECURSIVE S(R) AS (SELECT 0 UNION ALL SELECT R + 1 FROM S\n"
                               "                          WHERE R < 399)\n"
                               "  SELECT %1, 'estado ' || R AS ST FROM S ORDER BY R\n")
                    .arg(fields.join(QStringLiteral(", ")));
        const ReportDefinition report = ReportDefinition::parse(text, QStringLiteral("fundo.rpt"));
        try {
            run(report, Criteria(), *m_db);
            QFAIL("laid out off the page");
        } catch (const Exception& e) {
            QVERIFY2(
                e.Message().startsWith(QStringLiteral("Fundo: o relatório não cabe na página")),
                qPrintable(e.Message()));
        }
    }

    void emptyReportSaysSo()
    {
        Criteria none = everything();
        none.accounts = QStringLiteral("999");
        const WholeReport document = run(definition(0), none, *m_db);
        QCOMPARE(document.rows.size(), 0);
        QCOMPARE(document.pageCount(), 1);
        QCOMPARE(document.pages.first().lines.first().kind, WholeReport::Line::Kind::Empty);
        QCOMPARE(document.totals.last().label, QStringLiteral("Total geral — 0 cheques"));
        QCOMPARE(document.totals.last().cells.last(), QStringLiteral("0,00"));
        const QString csv = m_dir.filePath(QStringLiteral("vazio.csv"));
        run(definition(0), none, *m_db, csv);
        const QString heading = (document.labels + document.exportLabels).join(QLatin1Char(';'));
        QCOMPARE(textOf(csv), heading + "\r\n");
        run(definition(0), none, *m_db, csv, {true, false});
        QCOMPARE(textOf(csv), heading + "\r\nTotal geral — 0 cheques;;;;;;0,00;;;;\r\n");
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            return;
        const QString pdf = m_dir.filePath(QStringLiteral("empty.pdf"));
        run(definition(0), none, *m_db, pdf);
        QVERIFY(collapsed(pdfPages(pdf).first())
                    .contains(QStringLiteral("Nenhum cheque atende aos critérios.")));
    }

    void csvQuotesWhatNeedsIt()
    {
        const ReportDefinition report =
            ReportDefinition::parse(QStringLiteral("title: Aspas\n"
                                                   "column: A | A\n"
                                                   "column: B | B;C\n"
                                                   "sql:\n"
                                                   "  SELECT 'say \"oi\"' AS A, '1.234,56' AS B\n"),
                                    QStringLiteral("aspas.rpt"));
        const QString csv = m_dir.filePath(QStringLiteral("aspas.csv"));
        run(report, Criteria(), *m_db, csv);
        QCOMPARE(textOf(csv), QStringLiteral("A;\"B;C\"\r\n\"say \"\"oi\"\"\";1.234,56\r\n"));
    }

    void longTextIsElidedNotClipped()
    {
        Criteria criteria = everything();
        WholeReport document = run(definition(0), criteria, *m_db);
        document.rows[0][4] = QString(200, QLatin1Char('W'));
        const QImage page = ReportPainter::pageImage(document, document, 0, 72);
        // Nothing is painted in the gap between the payee and the status columns.
        const int gapX = qRound(document.columnLeft.at(5)) - 1;
        const int y = qRound(document.pages.first().lines.at(1).y);
        for (int dy = 1; dy < ReportSizes::detailHeight - 1; ++dy)
            QCOMPARE(page.pixelColor(gapX, y + dy), QColor(Qt::white));
    }

private:
    // A demo database of its own with more checks (CHEQUE rows in SQL); nullptr when they
    // cannot be added.
    // The demo database where ADM may use every company, so that reports hold every check.
    static std::unique_ptr<TdtmDBGeral> demo(const QString& path)
    {
        auto module = openSqlite(path);
        QSqlQuery grant(module->database());
        if (!grant.exec(QStringLiteral("INSERT INTO OPEREMPR VALUES ('ADM', '04'), ('ADM', '05')")))
            qFatal("%s", qPrintable(grant.lastError().text()));
        return module;
    }

    std::unique_ptr<TdtmDBGeral> demoWith(const QString& checks)
    {
        auto module = demo(m_dir.filePath(QStringLiteral("demo-%1.sqlite").arg(++m_extra)));
        QSqlQuery insert(module->database());
        if (!insert.exec(QStringLiteral("INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE, CDEMPRESA, "
                                        "DTEMISSAO, DTCOMPENSACAO, VLCHEQUE, "
                                        "NMFAVORECIDO, IDSTATUS) VALUES ") +
                         checks))
            return nullptr;
        return module;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TdtmDBGeral> m_db;
    int m_extra = 0;
};

QTEST_MAIN(TestReportOutput)
#include "tst_report_output.moc"

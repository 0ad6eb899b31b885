// The report commands on the real screen: a missing definition, the preview window, a file
// written without dialogs, printing without a printer, an edited definition saved as a new
// report, and a long report cancelled.

#include "ScreenHost.h"
#include "base/Exceptions.h"
#include "controls/TButtonFlat.h"
#include "controls/TComboBox.h"
#include "controls/TMaskEdit.h"
#include "report/engine/ReportCatalog.h"
#include "report/ui/ReportEditorDialog.h"
#include "report/ui/ReportPageView.h"
#include "report/ui/ReportPreviewDialog_p.h"
#include "report/ui/ReportSaveDialog.h"
#include "report/ui/TfrmDadosGerRel.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QtTest>

namespace {

// A report whose query counts for a long while and returns one row at the end.
const char* slowReport = "title: Contagem demorada\n"
                         "order: 9\n"
                         "column: QTDE | Quantidade | 10 | right | integer\n"
                         "sql:\n"
                         "  WITH RECURSIVE S(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM S\n"
                         "                          WHERE X < 2000000000)\n"
                         "  SELECT COUNT(*) AS QTDE FROM S\n";

// Answers the next window of a class that the application shows, in that window's own event
// loop; a window the answer leaves open is closed, so that its loop always ends. The watch ends
// with the object.
class WindowWatch : public QObject {
    Q_OBJECT

public:
    WindowWatch() { qApp->installEventFilter(this); }
    ~WindowWatch() override { qApp->removeEventFilter(this); }
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    // Whether the window was shown and answered, waiting for it at most the time given.
    bool answered(int milliseconds = 10000)
    {
        if (!m_answered)
            QSignalSpy(this, &WindowWatch::done).wait(milliseconds);
        return m_answered;
    }

signals:
    void done();

protected:
    virtual bool matches(QWidget* window) const = 0;
    virtual void answer(QWidget* window) = 0;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || m_shown || !watched->isWidgetType())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (!window->isWindow() || !matches(window))
            return false;
        m_shown = true;
        // Once the window's loop runs.
        QMetaObject::invokeMethod(
            window,
            [watch = QPointer<WindowWatch>(this), window] {
                if (!watch)
                    return;
                watch->answer(window);
                if (window->isVisible())
                    window->close();
                watch->m_answered = true;
                emit watch->done();
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    bool m_shown = false;
    bool m_answered = false;
};

template <class Window> class WindowAnswer : public WindowWatch {
public:
    explicit WindowAnswer(std::function<void(Window*)> action) : m_action(std::move(action)) {}

protected:
    bool matches(QWidget* window) const override { return qobject_cast<Window*>(window); }
    void answer(QWidget* window) override { m_action(static_cast<Window*>(window)); }

private:
    std::function<void(Window*)> m_action;
};

// What the preview window shows: its page view, the page in it (from 0), and the search hit
// shown. The view is the library's own: read as a widget and through the page box.
QWidget* pageView(ReportPreviewDialog* window)
{
    return ReportPreviewDialogPrivate::of(*window).view;
}

int pageShown(ReportPreviewDialog* window)
{
    return ReportPreviewDialogPrivate::of(*window).pageBox->value() - 1;
}

std::optional<ReportPageSearch::Hit> hitShown(ReportPreviewDialog* window)
{
    return ReportPreviewDialogPrivate::of(*window).hit;
}

} // namespace

class TestReportEngine : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_host = std::make_unique<ScreenHost>();
        m_reports = m_host->dir.filePath(QStringLiteral("reports"));
        QDir().mkpath(m_reports);
        const QDir source(QStringLiteral(KLX_SOURCE_DIR "/reports"));
        for (const QString& file : source.entryList({QStringLiteral("*.rpt")}))
            QFile::copy(source.filePath(file), QDir(m_reports).filePath(file));
        ReportCatalog::setDirectory(m_reports);
        m_userReports = m_host->dir.filePath(QStringLiteral("own-reports"));
        ReportCatalog::setUserDirectory(m_userReports);
        m_host->open();
        m_form = qobject_cast<TfrmDadosGerRel*>(m_host->form());
        QVERIFY(m_form);
        QCOMPARE(m_form->cbbReportNames->count(), 6);
    }

    void cleanup()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<QDialog*>(widget))
                widget->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_form = nullptr;
        m_host.reset();
    }

    void definitionDeletedAfterListing()
    {
        QVERIFY(QFile::remove(QDir(m_reports).filePath(QStringLiteral("KLX473-0-emissao.rpt"))));
        m_form->sbtPreview->click();
        QCOMPARE(m_host->errors,
                 QStringList{QStringLiteral("O arquivo contendo a definição do Relatório de código "
                                            "'KLX473' não foi encontrado no diretório '%1'.")
                                 .arg(QDir::toNativeSeparators(m_reports))});
        QVERIFY(!preview());
    }

    void noDefinitionAtAll()
    {
        for (const QString& file : QDir(m_reports).entryList({QStringLiteral("*.rpt")}))
            QFile::remove(QDir(m_reports).filePath(file));
        m_form->loadReportList();
        m_form->sbtSalvarComo->click();
        QCOMPARE(m_host->errors.size(), 1);
        QVERIFY(m_host->errors.first().contains(QStringLiteral("'KLX473'")));
        QVERIFY(m_host->errors.first().contains(QDir::toNativeSeparators(m_reports)));
    }

    void previewShowsEveryPage()
    {
        selectReport(1);
        setEmissionRange(QStringLiteral("01/01/2026"), QStringLiteral("31/03/2026"));
        m_form->sbtPreview->click();
        QVERIFY2(m_host->errors.isEmpty(), qPrintable(m_host->errors.join('\n')));
        ReportPreviewDialog* window = preview();
        QVERIFY(window);
        QVERIFY(window->windowTitle().contains(QStringLiteral("Relação de cheques por número")));
        auto* pageBox = window->findChild<QSpinBox*>(QStringLiteral("pageNumber"));
        QCOMPARE(pageBox->maximum(), 2);
        window->findChild<QComboBox*>(QStringLiteral("zoom"))->setCurrentIndex(0);
        window->findChild<QToolButton*>(QStringLiteral("nextPage"))->click();
        QCOMPARE(pageShown(window), 1);
        QCOMPARE(pageBox->value(), 2);
        QVERIFY(!window->findChild<QToolButton*>(QStringLiteral("nextPage"))->isEnabled());
        const QSize before = pageView(window)->sizeHint();
        window->findChild<QComboBox*>(QStringLiteral("zoom"))
            ->setCurrentText(QStringLiteral("200%"));
        QVERIFY(pageView(window)->sizeHint().width() > before.width());
    }

    // Page Down and Page Up turn the page whichever control has the focus, and the zoom box
    // always names the zoom shown after + and −.
    void previewKeysAndZoomSteps()
    {
        selectReport(1);
        setEmissionRange(QStringLiteral("01/01/2026"), QStringLiteral("31/03/2026"));
        m_form->sbtPreview->click();
        ReportPreviewDialog* window = preview();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto* pageBox = window->findChild<QSpinBox*>(QStringLiteral("pageNumber"));
        auto* zoom = window->findChild<QComboBox*>(QStringLiteral("zoom"));
        zoom->setCurrentIndex(0);
        QWidget* area = pageView(window)->parentWidget()->parentWidget();
        QVERIFY(qobject_cast<QScrollArea*>(area));
        // Where the focus is when the window opens, then on each control.
        QTRY_VERIFY(window->isAncestorOf(QApplication::focusWidget()));
        QWidget* opened = QApplication::focusWidget();
        QTest::keyClick(opened, Qt::Key_PageDown);
        QCOMPARE(pageShown(window), 1);
        for (QWidget* control : std::initializer_list<QWidget*>{pageBox, zoom, area}) {
            control->setFocus();
            QTest::keyClick(control, Qt::Key_PageUp);
            QCOMPARE(pageShown(window), 0);
            QTest::keyClick(control, Qt::Key_PageDown);
            QCOMPARE(pageShown(window), 1);
        }
        QCOMPARE(pageBox->value(), 2);

        auto* zoomIn = findButton(window, QStringLiteral("+"));
        auto* zoomOut = findButton(window, QStringLiteral("−"));
        QVERIFY(zoomIn && zoomOut);
        // The page's width in the view follows the zoom.
        const auto width = [window] { return pageView(window)->sizeHint().width(); };
        int previous = width();
        for (int step = 0; step < 4; ++step) {
            zoomOut->click();
            QVERIFY(!zoom->currentText().isEmpty());
            QVERIFY(width() <= previous);
            previous = width();
        }
        QCOMPARE(zoom->currentText(), QStringLiteral("50%"));
        // Each step a quarter of the page's size: 75%, 100%, 125%.
        QList<int> widths{width()};
        for (int step = 0; step < 3; ++step) {
            zoomIn->click();
            QVERIFY(!zoom->currentText().isEmpty());
            widths << width();
        }
        QCOMPARE(zoom->currentText(), QStringLiteral("125%"));
        const double quarter = widths[1] - widths[0];
        QVERIFY(quarter > 0);
        for (int step = 2; step <= 3; ++step)
            QVERIFY2(qAbs((widths[step] - widths[0]) / quarter - step) < 0.05,
                     qPrintable(QStringLiteral("%1").arg(widths[step])));
    }

    // Ctrl+F finds a payee, a check number or an amount and goes from hit to hit, round the
    // report; Home and End go to the first and last page; "Salvar como" writes the report
    // shown to the file named; the next preview opens at the zoom this one was left at.
    void previewSearchesSavesAndRemembers()
    {
        selectReport(1);
        setEmissionRange(QStringLiteral("01/01/2026"), QStringLiteral("31/03/2026"));
        m_form->sbtPreview->click();
        ReportPreviewDialog* window = preview();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QWidget* area = pageView(window)->parentWidget()->parentWidget();

        QTest::keyClick(area, Qt::Key_End);
        QCOMPARE(pageShown(window), 1);
        QTest::keyClick(area, Qt::Key_Home);
        QCOMPARE(pageShown(window), 0);

        // Accents and case aside, as the picker searches.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(area, Qt::Key_F, Qt::ControlModifier);
        auto* search = window->findChild<QLineEdit*>(QStringLiteral("searchText"));
        QVERIFY(search);
        QVERIFY(search->isVisible());
        QTRY_VERIFY(search->hasFocus());
        QTest::keyClicks(search, QStringLiteral("grafica nova era"));
        QTest::keyClick(search, Qt::Key_Return);
        const auto first = hitShown(window);
        QVERIFY(first);
        QVERIFY(window->find(QStringLiteral("grafica nova era")));
        const auto second = hitShown(window);
        QVERIFY(second && (second->page != first->page || second->index != first->index));
        QCOMPARE(pageShown(window), second->page);
        // Backwards from the second hit is the first again.
        QTest::keyClick(search, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(hitShown(window)->page, first->page);
        QCOMPARE(hitShown(window)->index, first->index);
        for (const QString& text : {QStringLiteral("001102"), QStringLiteral("728,53")})
            QVERIFY2(window->find(text), qPrintable(text));
        QVERIFY(!window->find(QStringLiteral("ninguém com este nome")));
        QVERIFY(window->findChild<QLabel*>(QStringLiteral("searchStatus"))
                    ->text()
                    .contains(QStringLiteral("não foi encontrado")));

        const QString output = m_host->dir.filePath(QStringLiteral("da-visualizacao.csv"));
        WindowAnswer<ReportSaveDialog> save([output](ReportSaveDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(output);
            static_cast<QDialog*>(dialog)->accept();
        });
        window->findChild<QToolButton*>(QStringLiteral("saveAs"))->click();
        QVERIFY(save.answered());
        QVERIFY2(m_host->errors.isEmpty(), qPrintable(m_host->errors.join('\n')));
        QFile saved(output);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("Gráfica Nova Era"));

        window->findChild<QComboBox*>(QStringLiteral("zoom"))
            ->setCurrentText(QStringLiteral("150%"));
        window->close();
        m_form->sbtPreview->click();
        QVERIFY(preview());
        QCOMPARE(preview()->findChild<QComboBox*>(QStringLiteral("zoom"))->currentText(),
                 QStringLiteral("150%"));
    }

    // A file that cannot be written is told in a message; nothing else changes.
    void unwritableFileIsTold()
    {
        const QString folder = m_host->dir.filePath(QStringLiteral("pasta.pdf"));
        QVERIFY(QDir().mkpath(folder));
        engine()->SetOutputFile(folder);
        m_form->sbtSalvarComo->click();
        QCOMPARE(m_host->errors.size(), 1);
        QVERIFY2(m_host->errors.first().contains(QStringLiteral("é uma pasta")),
                 qPrintable(m_host->errors.first()));
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(engine()->LastRun().file.isEmpty());
    }

    // A file of no kind a report is written to is refused with the kinds there are; a kind's
    // suffix counts in any case.
    void fileKindComesFromItsSuffix()
    {
        const QString text = m_host->dir.filePath(QStringLiteral("saida.txt"));
        engine()->SetOutputFile(text);
        m_form->sbtSalvarComo->click();
        QCOMPARE(m_host->errors,
                 QStringList{
                     QStringLiteral("O arquivo do relatório deve terminar em .pdf, .csv ou .xlsx: "
                                    "'%1'.")
                         .arg(QDir::toNativeSeparators(text))});
        QVERIFY(!QFileInfo::exists(text));
        const QString upper = m_host->dir.filePath(QStringLiteral("SAIDA.CSV"));
        engine()->SetOutputFile(upper);
        m_form->sbtSalvarComo->click();
        QCOMPARE(m_host->errors.size(), 1);
        QVERIFY(QFile(upper).open(QIODevice::ReadOnly));
        QCOMPARE(engine()->LastRun().file, upper);
    }

    void emptyReportIsNotPreviewed()
    {
        setEmissionRange(QStringLiteral("01/01/2020"), QStringLiteral("02/01/2020"));
        m_form->sbtPreview->click();
        QCOMPARE(m_host->errors,
                 QStringList{QStringLiteral("Nenhum cheque atende aos critérios.")});
        QVERIFY(!preview());
    }

    void saveAsWritesTheGivenFile()
    {
        const QString path = m_host->dir.filePath(QStringLiteral("saida.csv"));
        engine()->SetOutputFile(path);
        m_form->sbtSalvarComo->click();
        QVERIFY(m_host->errors.isEmpty());
        QCOMPARE(engine()->LastRun().file, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        // The default criteria: the checks issued on the processing date, 15/03/2026.
        QCOMPARE(lines.size(), engine()->LastRun().rows + 1);
        QVERIFY(lines.size() > 5);
        for (const QString& line : lines.mid(1))
            QVERIFY2(line.contains(QStringLiteral(";15/03/2026;")), qPrintable(line));
    }

    void printWithoutPrinterWritesPdf()
    {
        if (!QPrinterInfo::availablePrinters().isEmpty())
            QSKIP("A printer is installed: printing opens the print dialog.");
        m_form->sbtPrint->click();
        QCOMPARE(m_host->errors.size(), 1);
        const QString path = engine()->LastRun().file;
        QVERIFY(path.endsWith(QStringLiteral(".pdf")));
        QVERIFY(QFileInfo(path).size() > 1000);
        QCOMPARE(m_host->errors.first(),
                 QStringLiteral("Nenhuma impressora está instalada; o relatório foi salvo em '%1'.")
                     .arg(QDir::toNativeSeparators(path)));
        QFile::remove(path);
    }

    void editedDefinitionJoinsTheList()
    {
        selectReport(3);
        QString caption, prompt;
        WindowAnswer<ReportEditorDialog> edit([&](ReportEditorDialog* editor) {
            QString text = editor->editor()->toPlainText();
            text.replace(QStringLiteral("| Dias |"), QStringLiteral("| Idade |"));
            editor->editor()->setPlainText(text);
            WindowAnswer<QInputDialog> title([&](QInputDialog* ask) {
                caption = ask->windowTitle();
                prompt = ask->labelText();
                QCOMPARE(ask->textValue(),
                         QStringLiteral("Cheques não compensados por idade (cópia)"));
                ask->setTextValue(QStringLiteral("Idade dos cheques (revisado)"));
                ask->accept();
            });
            editor->findChild<QPushButton*>(QStringLiteral("saveAsNew"))->click();
            QVERIFY(title.answered());
        });
        m_form->sbtReportEdit->click();
        QVERIFY(edit.answered());
        QVERIFY2(m_host->errors.isEmpty(), qPrintable(m_host->errors.join('\n')));
        QCOMPARE(caption, QStringLiteral("Título do Relatório"));
        QCOMPARE(prompt, QStringLiteral("Informe o título do relatório:"));
        QCOMPARE(m_form->cbbReportNames->count(), 7);
        QCOMPARE(m_form->cbbReportNames->itemText(6),
                 QStringLiteral("Idade dos cheques (revisado)"));
        QCOMPARE(m_form->cbbReportNames->currentIndex(), 3);
        // The copy goes to the user's folder; the shipped one is left as it was.
        QCOMPARE(QDir(m_reports).entryList({QStringLiteral("*.rpt")}).size(), 6);
        const QString saved =
            QDir(m_userReports).filePath(QStringLiteral("KLX473-6-idade-dos-cheques-revisado.rpt"));
        const ReportDefinition copy = ReportDefinition::load(saved);
        QCOMPARE(copy.order, 6);
        QCOMPARE(copy.column(QStringLiteral("QTDIAS"))->label, QStringLiteral("Idade"));
        // The original stays as it was.
        QCOMPARE(
            ReportDefinition::load(QDir(m_reports).filePath(QStringLiteral("KLX473-3-idade.rpt")))
                .column(QStringLiteral("QTDIAS"))
                ->label,
            QStringLiteral("Dias"));
    }

    void copyOfReconciliationKeepsItsKind()
    {
        selectReport(2);
        QStringList suggestions;
        const auto saveCopy = [&](const QString& title) {
            WindowAnswer<ReportEditorDialog> edit([&, title](ReportEditorDialog* editor) {
                WindowAnswer<QInputDialog> name([&, title](QInputDialog* ask) {
                    suggestions << ask->textValue();
                    ask->setTextValue(title.isEmpty() ? ask->textValue() : title);
                    ask->accept();
                });
                if (!editor->saveAsNew())
                    editor->reject();
                else
                    editor->accept();
                QVERIFY(name.answered());
            });
            m_form->sbtReportEdit->click();
            QVERIFY(edit.answered());
        };
        saveCopy(QString());
        QVERIFY2(m_host->errors.isEmpty(), qPrintable(m_host->errors.join('\n')));
        QCOMPARE(suggestions, QStringList{QStringLiteral("Conciliação de cheques (cópia)")});
        QCOMPARE(m_form->cbbReportNames->itemText(6),
                 QStringLiteral("Conciliação de cheques (cópia)"));

        // A title in the list is refused; the next suggestion is free.
        selectReport(2);
        saveCopy(QStringLiteral("relação de cheques  por número"));
        QCOMPARE(suggestions.last(), QStringLiteral("Conciliação de cheques (cópia 2)"));
        QCOMPARE(m_host->errors.size(), 1);
        QVERIFY2(m_host->errors.first().startsWith(
                     QStringLiteral("Já existe um relatório com o título \"relação de cheques por "
                                    "número\"")),
                 qPrintable(m_host->errors.first()));
        QCOMPARE(m_form->cbbReportNames->count(), 7);

        // The copy filters by reconciliation as its original does.
        auto* conciliacao = m_form->findChild<QWidget*>(QStringLiteral("cbbConciliacao"));
        auto* emitido = m_form->findChild<QWidget*>(QStringLiteral("chbEmit"));
        selectReport(0);
        QVERIFY(!conciliacao->isEnabled() && emitido->isEnabled());
        selectReport(6);
        QVERIFY(conciliacao->isEnabled() && !emitido->isEnabled());
    }

    void brokenDefinitionKeepsItsPlace()
    {
        QFile file(QDir(m_reports).filePath(QStringLiteral("KLX473-1-numero.rpt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        file.close();
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(
            QString(text)
                .replace(QStringLiteral("| right | money"), QStringLiteral("| right | dinheiro"))
                .toUtf8());
        file.close();
        m_form->loadReportList();
        QCOMPARE(m_form->cbbReportNames->count(), 6);
        QCOMPARE(m_form->cbbReportNames->itemText(1),
                 QStringLiteral("⚠ Relação de cheques por número (definição com erro)"));
        QVERIFY(m_form->cbbReportNames->itemData(1, Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("formato inválido")));
        QCOMPARE(m_form->cbbReportNames->itemText(2), QStringLiteral("Conciliação de cheques"));
        selectReport(1);
        m_form->sbtPreview->click();
        QCOMPARE(m_host->errors.size(), 1);
        QVERIFY2(m_host->errors.first().contains(QStringLiteral("KLX473-1-numero.rpt:")),
                 qPrintable(m_host->errors.first()));
        QVERIFY(!preview());
    }

    void saveDialogOffersCsvTotals()
    {
        const QString path = m_host->dir.filePath(QStringLiteral("com-totais.csv"));
        bool offered = false;
        QStringList kinds;
        bool excelOnlyForCsv = true;
        WindowAnswer<ReportSaveDialog> save([&](ReportSaveDialog* dialog) {
            auto* totals = dialog->findChild<QCheckBox*>(QStringLiteral("csvTotals"));
            offered = totals && totals->isEnabled();
            totals->setChecked(true);
            // The workbook is offered; the choice of a CSV for Excel counts for a CSV only.
            kinds = dialog->nameFilters();
            auto* excel = dialog->findChild<QCheckBox*>(QStringLiteral("csvExcel"));
            for (const QString& kind : std::as_const(kinds)) {
                dialog->selectNameFilter(kind);
                emit dialog->filterSelected(kind);
                excelOnlyForCsv =
                    excelOnlyForCsv && excel->isEnabled() == kind.contains(QStringLiteral("*.csv"));
            }
            dialog->selectNameFilter(kinds.value(1));
            emit dialog->filterSelected(kinds.value(1));
            excel->setChecked(true);
            // The user types the name in the dialog's own field and saves.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            static_cast<QDialog*>(dialog)->accept();
        });
        m_form->mniSalvarCsvClick(nullptr);
        QVERIFY(save.answered());
        QVERIFY(offered);
        QCOMPARE(kinds.size(), 3);
        QVERIFY(kinds.last().contains(QStringLiteral("*.xlsx")));
        QVERIFY(excelOnlyForCsv);
        QVERIFY2(m_host->errors.isEmpty(), qPrintable(m_host->errors.join('\n')));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(QString::fromUtf8(bytes).contains(QStringLiteral("\r\nTotal geral — ")));
    }

    // One's own copy is saved in place (no copy of a copy), renamed and deleted; a shipped
    // definition is none of these.
    void ownCopyIsEditedInPlaceRenamedAndDeleted()
    {
        QFile shipped(QDir(m_reports).filePath(QStringLiteral("KLX473-1-numero.rpt")));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(shipped.readAll());
        QVERIFY(!ReportCatalog::isUsersOwn(shipped.fileName()));
        QVERIFY_THROWS_EXCEPTION(Exception, ReportCatalog::remove(shipped.fileName()));
        const QString mine = ReportCatalog::saveAsNew(QStringLiteral("KLX473"), text,
                                                      QStringLiteral("Minha cópia"), QString());
        QVERIFY(ReportCatalog::isUsersOwn(mine));
        m_form->loadReportList();
        selectReport(m_form->cbbReportNames->findText(QStringLiteral("Minha cópia")));

        WindowAnswer<ReportEditorDialog> edit([](ReportEditorDialog* editor) {
            QVERIFY(editor->findChild<QPushButton*>(QStringLiteral("saveInPlace")));
            editor->editor()->setPlainText(editor->editor()->toPlainText().replace(
                QStringLiteral("Cheque"), QStringLiteral("Nº do cheque")));
            QVERIFY(editor->saveInPlace());
            editor->accept();
        });
        m_form->sbtReportEdit->click();
        QVERIFY(edit.answered());
        QVERIFY2(m_host->errors.isEmpty(), qPrintable(m_host->errors.join('\n')));
        QCOMPARE(QDir(m_userReports).entryList({QStringLiteral("*.rpt")}).size(), 1);
        QFile edited(mine);
        QVERIFY(edited.open(QIODevice::ReadOnly));
        QVERIFY(edited.readAll().contains("Nº do cheque"));
        edited.close();

        // Another report's title is refused; its own new one taken.
        QVERIFY_THROWS_EXCEPTION(Exception,
                                 ReportCatalog::rename(QStringLiteral("KLX473"), mine,
                                                       QStringLiteral("Conciliação de cheques")));
        ReportCatalog::rename(QStringLiteral("KLX473"), mine, QStringLiteral("Cópia renomeada"));
        m_form->loadReportList();
        QVERIFY(m_form->cbbReportNames->findText(QStringLiteral("Cópia renomeada")) >= 0);
        ReportCatalog::remove(mine);
        QVERIFY(!QFile::exists(mine));
    }

    void badEditIsRefusedWithItsLine()
    {
        WindowAnswer<ReportEditorDialog> edit([&](ReportEditorDialog* editor) {
            editor->editor()->setPlainText(editor->editor()->toPlainText().replace(
                QStringLiteral("| right | money"), QStringLiteral("| right | dinheiro")));
            QTest::keyClick(editor->editor(), Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(editor->editor(), Qt::Key_Return);
            QVERIFY(!editor->saveAsNew());
            // The changes not saved are given up only when the user says so.
            WindowAnswer<QMessageBox> discard(
                [](QMessageBox* box) { box->button(QMessageBox::Discard)->click(); });
            editor->reject();
            QVERIFY(discard.answered());
            QVERIFY(!editor->isVisible());
        });
        m_form->sbtReportEdit->click();
        QVERIFY(edit.answered());
        QCOMPARE(m_host->errors.size(), 1);
        QVERIFY2(m_host->errors.first().startsWith(
                     QStringLiteral("KLX473-0-emissao.rpt:21: formato inválido: \"dinheiro\"")),
                 qPrintable(m_host->errors.first()));
        QCOMPARE(QDir(m_reports).entryList({QStringLiteral("*.rpt")}).size(), 6);
    }

    void cancellingLeavesTheScreenUsable()
    {
        QVERIFY(selectSlowReport());
        WindowAnswer<QProgressDialog> cancel([&](QProgressDialog* progress) {
            QCOMPARE(progress->objectName(), QStringLiteral("reportProgress"));
            // The window keeps turning while the query runs.
            QVERIFY(m_form->isEnabled());
            progress->findChild<QPushButton*>()->click();
        });
        m_form->sbtPreview->click();
        // The query, which would count for minutes, stopped: no result and no error.
        QVERIFY(cancel.answered());
        QVERIFY(m_host->errors.isEmpty());
        QVERIFY(!preview());
        QVERIFY(!engine()->IsRunning());

        selectReport(1);
        m_form->sbtPreview->click();
        QVERIFY(m_host->errors.isEmpty());
        QVERIFY(preview());
    }

    void closingDuringARunIsRefused()
    {
        QVERIFY(selectSlowReport());
        bool closedWhileRunning = true;
        WindowAnswer<QProgressDialog> closeAndCancel([&](QProgressDialog* progress) {
            // The user closes the screen's window while the query runs: it stays open.
            closedWhileRunning = m_form->MdiWindow()->close();
            progress->findChild<QPushButton*>()->click();
        });
        m_form->sbtPreview->click();
        QVERIFY(closeAndCancel.answered());
        QVERIFY(!closedWhileRunning);
        QVERIFY(m_host->form());
        QVERIFY(!engine()->IsRunning());
        QVERIFY(m_form->MdiWindow()->close()); // once the run ended it closes
    }

private:
    TReportDesignerDialog* engine() const { return m_form->rpddPadrao; }

    ReportPreviewDialog* preview() const
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<ReportPreviewDialog*>(widget))
                if (window->isVisible())
                    return window;
        return nullptr;
    }

    void selectReport(int index) { m_form->cbbReportNames->SelectByUser(index); }

    static QToolButton* findButton(QWidget* window, const QString& text)
    {
        for (QToolButton* button : window->findChildren<QToolButton*>())
            if (button->text() == text)
                return button;
        return nullptr;
    }

    // Adds a report whose query runs for a long while, and chooses it.
    bool selectSlowReport()
    {
        QFile file(QDir(m_reports).filePath(QStringLiteral("KLX473-9-lento.rpt")));
        if (!file.open(QIODevice::WriteOnly) || file.write(slowReport) < 0)
            return false;
        file.close();
        m_form->loadReportList();
        selectReport(6);
        return m_form->cbbReportNames->GetItemIndex() == 6;
    }

    void setEmissionRange(const QString& from, const QString& to)
    {
        for (const auto& [name, text] :
             {std::pair{"depEmissaoIni", from}, std::pair{"depEmissaoFin", to}}) {
            auto* edit = m_form->findChild<TMaskEdit*>(QLatin1String(name));
            edit->SetText(text);
        }
    }

    std::unique_ptr<ScreenHost> m_host;
    TfrmDadosGerRel* m_form = nullptr;
    QString m_reports;
    QString m_userReports;
};

QTEST_MAIN(TestReportEngine)
#include "tst_report_engine.moc"

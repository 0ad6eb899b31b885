#include "report/ui/TReportDesignerDialog.h"

#include "controls/TSaveDialog.h"

#include "base/Consiste.h"
#include "base/Exceptions.h"
#include "base/TMessages.h"
#include "data/LoginContext.h"
#include "data/SqlParameters.h"
#include "data/TParams.h"
#include "form/ComponentRegistry.h"
#include "report/engine/ReportCriteria.h"
#include "report/engine/ReportLivePages.h"
#include "report/output/ReportJob.h"
#include "report/output/ReportLiveRun.h"
#include "report/output/ReportPdf.h"
#include "report/ui/ReportEditorDialog.h"
#include "report/ui/ReportHost.h"
#include "report/ui/ReportPreviewDialog.h"
#include "report/ui/ReportPrint.h"
#include "report/ui/ReportRunWait.h"
#include "report/ui/ReportSaveDialog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

namespace {

// Forms name the engine in their descriptions; it registers itself with their loader.
const bool registered = [] {
    ComponentRegistry::registerClass(
        QStringLiteral("TReportDesignerDialog"),
        [](QObject* parent) -> QObject* { return new TReportDesignerDialog(parent); });
    ComponentRegistry::registerEventApplier([](QObject* component, const QString& event,
                                               const QString& handler, const HandlerTable& handlers,
                                               const ComponentRegistry::Failure& fail) {
        auto* dialog = qobject_cast<TReportDesignerDialog*>(component);
        if (!dialog || event != QLatin1String("BeforeGetQueryParams"))
            return false;
        dialog->BeforeGetQueryParams = findHandler(handlers.queryParams, handler, fail);
        return true;
    });
    return true;
}();

// A file name part from a title.
QString fileBase(const QString& reportCode, const QString& title)
{
    QString base = title;
    base.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("-"));
    return reportCode.isEmpty() ? base : reportCode + QStringLiteral(" - ") + base;
}

// "file:line" of a line of the SQL the engine runs, in the definition's file: a block of
// SQL starts on the first non-blank line below its key.
QString sqlLocation(const ReportDefinition& report, DatabaseConfig::Engine engine, int sqlLine)
{
    const QString key = engine == DatabaseConfig::Engine::Firebird &&
                                !report.value(QStringLiteral("sql.ib")).isEmpty()
                            ? QStringLiteral("sql.ib")
                            : QStringLiteral("sql");
    const auto entry = std::find_if(report.entries.cbegin(), report.entries.cend(),
                                    [&](const ReportDefinition::Entry& e) { return e.key == key; });
    int line = entry == report.entries.cend() ? 0 : entry->line;
    QStringList lines;
    try {
        lines = ReportDefinition::readFile(report.filePath).split(QLatin1Char('\n'));
    } catch (const Exception&) {
        // The file is gone or changed: the key's line is the place.
    }
    if (line > 0 && line <= lines.size() &&
        lines.at(line - 1).section(QLatin1Char(':'), 1).trimmed().isEmpty()) {
        do
            ++line;
        while (line <= lines.size() && lines.at(line - 1).trimmed().isEmpty());
    }
    return QStringLiteral("%1:%2")
        .arg(report.filePath.isEmpty() ? report.title : report.filePath)
        .arg(line + sqlLine - 1);
}

QString documentsDirectory()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty() || !QDir().mkpath(dir))
        dir = QDir::homePath();
    return dir;
}

} // namespace

QString reportActionName(ReportAction action)
{
    switch (action) {
    case ReportAction::Print:
        return QStringLiteral("print");
    case ReportAction::Preview:
        return QStringLiteral("preview");
    case ReportAction::SaveAs:
        return QStringLiteral("saveas");
    case ReportAction::Edit:
        return QStringLiteral("edit");
    }
    return QString();
}

std::shared_ptr<TParams> TReportDesignerDialog::BindParams(const QStringList& declared)
{
    auto params = std::make_shared<TParams>(declared);
    bool handled = false;
    if (BeforeGetQueryParams)
        BeforeGetQueryParams(params.get(), handled);
    return params;
}

PreparedReport TReportDesignerDialog::Prepare(ReportAction action, const ReportDefinition& report,
                                              const ReportHost& host)
{
    ReportDefinition current = report;
    if (!report.filePath.isEmpty()) {
        if (!QFileInfo::exists(report.filePath))
            host.reportFileMissing();
        current = ReportDefinition::load(report.filePath);
    }
    const auto engine = dtmDBGeral ? dtmDBGeral->config().engine : DatabaseConfig::Engine::Sqlite;
    QStringList declared;
    try {
        declared = ReportDefinition::declaredParameters(current.sqlFor(engine));
    } catch (const SqlParameters::EParameterError& e) {
        throw Exception(sqlLocation(current, engine, e.line()) + QStringLiteral(": ") + e.reason());
    }
    std::shared_ptr<TParams> params = BindParams(declared);
    return {action, std::move(current), std::move(params)};
}

bool TReportDesignerDialog::Run(const PreparedReport& report, ReportHost& host)
{
    if (m_running)
        return false;
    m_running = true;
    bool done = false;
    try {
        done = run(report, host);
    } catch (...) {
        m_running = false;
        throw;
    }
    m_running = false;
    return done;
}

QHash<QString, QVariant> TReportDesignerDialog::QueryValues(const TParams& params)
{
    QHash<QString, QVariant> values;
    for (int i = 0; i < params.Count(); ++i)
        values.insert(params.Items(i)->Name().toUpper(), params.Items(i)->toSqlValue());
    const TParam* processing = params.FindParam(QStringLiteral("P_DTPROC"));
    if (!processing || !processing->isAssigned()) {
        const QDate date = DateTime::toDate(DataProc(FiliProc()));
        values.insert(QStringLiteral("P_DTPROC"),
                      date.isValid() ? date.toString(Qt::ISODate) : QStringLiteral(""));
    }
    // The companies a report shows are the operator's, whatever the screen bound.
    values.insert(QStringLiteral("P_CDOPERADOR"), Operador());
    return values;
}

namespace {
// The file the user names in the save dialog, opening in the documents folder at first, with
// the CSV's options.
QString askSavePath(ReportHost& host, const QString& suggested, ReportOutput::Options& csv)
{
    TSaveDialog& settings = host.saveDialogSettings();
    if (settings.InitialDir.isEmpty())
        settings.InitialDir = documentsDirectory();
    ReportSaveDialog dialog(settings, suggested, csv, host.dialogParent());
    if (!dialog.choose())
        return QString();
    csv = dialog.options();
    return settings.FileName;
}
} // namespace

namespace {
// What the job of a prepared report needs: the definition, the query's values and the
// pages' header, from the parameters and the host's screen.
ReportJob::Request jobRequest(const PreparedReport& prepared, ReportHost& host)
{
    const ReportDefinition& report = prepared.definition;
    ReportJob::Request request;
    request.definition = report;
    request.source = ReportQuery::sharedSource();
    request.values = TReportDesignerDialog::QueryValues(*prepared.params);
    const TDateTime processing = DataProc(FiliProc());
    ReportFrame::Header& header = request.header;
    header.screenCode = host.screenCode();
    header.reportCode = host.reportCode();
    header.title = report.title;
    const QList<ReportCriteria::Item> criteria =
        ReportCriteria::items(*prepared.params) + host.criteriaNotes();
    header.criteria = ReportCriteria::page(criteria);
    for (const ReportCriteria::Item& item : criteria)
        header.fullCriteria.append({item.name, item.value});
    header.processingDate =
        processing == 0 ? QStringLiteral("—") : ReportFormat::date(DateTime::toDate(processing));
    header.emptyText = host.message(QStringLiteral("Relat_Vazio"));
    header.operatorName = Operador();
    header.issuedAt = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    return request;
}
} // namespace

bool TReportDesignerDialog::run(const PreparedReport& prepared, ReportHost& host)
{
    const ReportAction command = prepared.action;
    if (command == ReportAction::Edit)
        return edit(prepared.definition, host);
    const bool headless = command == ReportAction::SaveAs && !m_outputFile.isEmpty();
    ReportJob::Request request = jobRequest(prepared, host);
    if (command == ReportAction::SaveAs) {
        request.path =
            headless ? m_outputFile
                     : askSavePath(host, fileBase(request.header.reportCode, request.header.title),
                                   m_outputOptions);
        if (request.path.isEmpty())
            return false;
        request.options = m_outputOptions;
        // The user is told of an empty report instead of getting a file of headings.
        request.writeWhenEmpty = headless;
    }
    m_lastRun = {};
    const Started started = start(command, request, host, headless);
    if (!started.pages)
        return false;
    if (!started.live && !keepRun(*started.pages, host, headless))
        return false;
    switch (command) {
    case ReportAction::Preview:
        showPreview(started, request, host);
        break;
    case ReportAction::Print:
        return print(started.pages, host);
    case ReportAction::SaveAs:
        m_lastRun.file = request.path;
        break;
    case ReportAction::Edit:
        break;
    }
    return true;
}

TReportDesignerDialog::Started TReportDesignerDialog::start(ReportAction command,
                                                            const ReportJob::Request& request,
                                                            ReportHost& host, bool headless)
{
    Started started;
    try {
        if (command == ReportAction::Preview) {
            // A preview shows the first page as soon as it is laid out; the rest follow.
            started.live = ReportRunWait::preview(request, host.dialogParent(), !headless);
            if (started.live && started.live->hasEnded())
                started.pages = std::exchange(started.live, nullptr)->pages();
            else if (started.live)
                started.pages = started.live->pages();
        } else {
            started.pages = ReportRunWait::run(request, host.dialogParent(), !headless);
        }
    } catch (...) {
        m_lastRun.error = std::current_exception();
        throw;
    }
    return started;
}

bool TReportDesignerDialog::keepRun(const ReportPages& pages, ReportHost& host, bool headless)
{
    m_lastRun = {QString(), pages.rowCount(), pages.pageCount(), nullptr,
                 pages.inconsistencyCount()};
    if (pages.rowCount() > 0 || headless)
        return true;
    Consiste::MensErro(host.message(QStringLiteral("Relat_Vazio")), false);
    return false;
}

void TReportDesignerDialog::showPreview(const Started& started, const ReportJob::Request& request,
                                        ReportHost& host)
{
    ReportHost* previewHost = &host;
    const std::shared_ptr<const ReportPages> pages = started.pages;
    const std::shared_ptr<ReportLiveRun> live = started.live;
    auto* preview = new ReportPreviewDialog(
        live ? std::make_shared<ReportLivePages>(pages)
             : std::static_pointer_cast<const ReportPageSource>(pages),
        [this, previewHost, pages] { print(pages, *previewHost); },
        [this, previewHost, request] { saveFromPreview(request, *previewHost); },
        host.dialogParent());
    if (live) {
        // How the run ends is recorded for LastRun(), a failure too.
        connect(live.get(), &ReportLiveRun::ended, this,
                [this, run = live.get()] { liveRunEnded(*run); });
        preview->follow(live);
    }
    preview->show();
    preview->activateWindow();
}

void TReportDesignerDialog::saveFromPreview(ReportJob::Request request, ReportHost& host)
{
    request.path =
        askSavePath(host, fileBase(host.reportCode(), request.header.title), m_outputOptions);
    if (request.path.isEmpty())
        return;
    request.options = m_outputOptions;
    if (ReportRunWait::run(request, host.dialogParent(), true))
        m_lastRun.file = request.path;
}

void TReportDesignerDialog::liveRunEnded(const ReportLiveRun& run)
{
    if (const std::exception_ptr failure = run.failure())
        m_lastRun.error = failure;
    else if (!run.cancelled())
        // A file saved from the preview meanwhile stays the run's file.
        m_lastRun = {m_lastRun.file, run.pages()->rowCount(), run.pages()->pageCount(), nullptr,
                     run.pages()->inconsistencyCount()};
}

bool TReportDesignerDialog::print(const std::shared_ptr<const ReportPages>& pages, ReportHost& host)
{
    const ReportFrame::Header& header = pages->frame().header;
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        // No printer to choose: the pages go to a PDF file the user is told about.
        const QString path = QDir(documentsDirectory())
                                 .filePath(fileBase(header.reportCode, header.title) +
                                           QDateTime::currentDateTime().toString(
                                               QStringLiteral(" - yyyyMMdd-HHmmss")) +
                                           QStringLiteral(".pdf"));
        ReportPdf pdf(path, {});
        if (!ReportRunWait::write(pages, pdf, host.dialogParent(), true))
            return false;
        m_lastRun.file = path;
        Consiste::MensErro(TMessages::Format(host.message(QStringLiteral("Sem_Impressora")),
                                             {QDir::toNativeSeparators(path)}),
                           false);
        return true;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(header.title);
    printer.setPageOrientation(pages->frame().landscape ? QPageLayout::Landscape
                                                        : QPageLayout::Portrait);
    QPrintDialog dialog(&printer, host.dialogParent());
    dialog.setWindowTitle(QStringLiteral("Imprimir — %1").arg(header.title));
    dialog.setMinMax(1, pages->pageCount());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const bool range = printer.printRange() == QPrinter::PageRange;
    ReportPrint output(printer, range ? printer.fromPage() : 1,
                       range ? printer.toPage() : pages->pageCount());
    return ReportRunWait::write(pages, output, host.dialogParent(), true);
}

bool TReportDesignerDialog::edit(const ReportDefinition& report, ReportHost& host)
{
    QString text = report.toText();
    if (!report.filePath.isEmpty())
        text = ReportDefinition::readFile(report.filePath);
    const QString caption = host.message(QStringLiteral("NovoCaption"));
    const QString prompt = host.message(QStringLiteral("NovoPrompt"));
    ReportEditorDialog editor(
        host.reportCode(), report, text,
        [caption, prompt](QWidget* parent, const QString& current) {
            QInputDialog question(parent);
            question.setWindowTitle(caption);
            question.setLabelText(prompt);
            question.setTextValue(current);
            // Wide enough for its caption and a long title.
            question.setMinimumWidth(
                std::max(460, question.fontMetrics().horizontalAdvance(caption) + 160));
            return question.exec() == QDialog::Accepted ? question.textValue() : QString();
        },
        host.dialogParent());
    if (editor.exec() != QDialog::Accepted)
        return false;
    host.loadReportList();
    return true;
}

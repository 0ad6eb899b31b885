#include "ReportCommand.h"

#include "HostSession.h"
#include "Interruption.h"
#include "OffscreenMessages.h"
#include "ReportCommandLine.h"
#include "base/Consiste.h"
#include "base/Exceptions.h"
#include "base/VisibleText.h"
#include "controls/TButtonFlat.h"
#include "controls/TComboBox.h"
#include "data/LoginContext.h"
#include "data/TParams.h"
#include "form/CriteriaSets.h"
#include "form/ScreenCriteria.h"
#include "report/ui/TReportDesignerDialog.h"
#include "report/ui/TfrmDadosGerRel.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace host {

namespace {

// A step the screen refused, or a failure; exit code 1. Most are told where they happen.
struct Refused {
    bool told = true;
};

void fail(const QString& message)
{
    std::fprintf(stderr, "klx: %s\n", qUtf8Printable(VisibleText::ofMessage(message)));
}

// --quiet: only errors are printed.
bool quiet = false;

// What is told besides errors: warnings and what was written.
void note(const QString& message)
{
    if (!quiet)
        fail(message);
}

// The exit code of an error: 4 the database refused the login or the operator, 3 it could
// not be reached now (a later run may succeed), 1 anything else.
int exitCodeOf(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const ELoginRefused&) {
        return 4;
    } catch (const EDatabaseUnavailable&) {
        return 3;
    } catch (...) {
        return 1;
    }
}

// Tells what a criteria routine of the screen noted, each note under its criterion's option.
void tell(const QList<ScreenCriteria::Note>& notes)
{
    for (const ScreenCriteria::Note& n : notes)
        fail(n.criterion.isEmpty() ? n.text : QStringLiteral("--%1: %2").arg(n.criterion, n.text));
}

// The screen module as it describes itself, read before any session: the criteria it takes,
// their help, and the routine that checks their form.
struct DescribedScreen {
    ModuleLoader module{HostSession::screenModulePath()};
    ScreenDescription description;
};

std::unique_ptr<DescribedScreen> describeScreen()
{
    auto screen = std::make_unique<DescribedScreen>();
    screen->module.load();
    screen->description = ScreenDescription::read(screen->module);
    return screen;
}

// Keeps the command the screen prepared instead of running it: the parameters it bound.
class PreparedReportKeeper : public ReportCommandRunner {
public:
    bool Run(const PreparedReport& report, ReportHost&) override
    {
        kept = report;
        return false;
    }

    std::optional<PreparedReport> kept;
};

QJsonValue jsonValue(const TParam& param)
{
    switch (param.kind()) {
    case TParam::Kind::Unassigned:
        return QJsonValue::Null;
    case TParam::Kind::Integer:
        return param.AsInteger();
    case TParam::Kind::DateTime: {
        const QDate date = DateTime::toDate(param.AsDateTime());
        return date.isValid() ? QJsonValue(date.toString(Qt::ISODate)) : QJsonValue(0);
    }
    case TParam::Kind::String:
        break;
    }
    return param.AsString();
}

// One JSON value as text.
QString json(const QJsonValue& value)
{
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

// The report and its bound parameters, one parameter a line, in the query's order: the
// value as the screen assigned it (a date-time 0 is 0), and as the SQL receives it.
QByteArray paramsJson(const ReportDefinition& report, int index, const TParams& params)
{
    const QDate processing = DateTime::toDate(DataProc(FiliProc()));
    QString text = QStringLiteral("{\n  \"report\": %1,\n  \"title\": %2,\n  \"file\": %3,\n"
                                  "  \"processingDate\": %4,\n  \"parameters\": [")
                       .arg(index)
                       .arg(json(report.title), json(QDir::toNativeSeparators(report.filePath)),
                            processing.isValid() ? json(processing.toString(Qt::ISODate))
                                                 : QStringLiteral("null"));
    const QHash<QString, QVariant> values = TReportDesignerDialog::QueryValues(params);
    for (int i = 0; i < params.Count(); ++i) {
        const TParam& param = *params.Items(i);
        const QVariant sent = values.value(param.Name().toUpper());
        // A value the screen left unassigned but the SQL receives was bound by the engine.
        const QString kind = !param.isAssigned() && !sent.isNull() ? QStringLiteral("engine")
                                                                   : TParam::kindName(param.kind());
        text +=
            QStringLiteral("%1\n    {\"name\": %2, \"kind\": %3, \"value\": %4, \"sql\": %5}")
                .arg(i == 0 ? QString() : QStringLiteral(","), json(param.Name()), json(kind),
                     json(jsonValue(param)),
                     sent.isNull() ? QStringLiteral("null") : json(QJsonValue::fromVariant(sent)));
    }
    text += QStringLiteral("\n  ]\n}\n");
    return text.toUtf8();
}

// The screen's form once the host opened it and its first activation set the defaults.
TfrmDadosGerRel* openScreen(HostSession& session)
{
    session.mainWindow().show();
    session.mainWindow().activateWindow();
    QCoreApplication::processEvents();
    session.openScreen();
    const QString pendingName = session.screen().variableIn(ScreenRole::defaultsPending);
    const bool* pending = static_cast<bool*>(session.module().symbol(pendingName.toUtf8()));
    QElapsedTimer clock;
    clock.start();
    TfrmDadosGerRel* form = nullptr;
    while (clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        for (QMdiSubWindow* window : session.mainWindow().mdiArea()->subWindowList())
            if (auto* found = qobject_cast<TfrmDadosGerRel*>(window->widget()))
                form = found;
        if (form && !*pending)
            return form;
    }
    throw Exception(QStringLiteral("a tela %1 não abriu").arg(session.screen().screenCode()));
}

// One headless run on an open session: the screen opened, the saved set and the criteria
// applied by the screen, and the report written or its parameters printed. Every message the
// screen shows is printed and stops the run.
class HeadlessRun {
public:
    HeadlessRun(const ReportRequest& request, HostSession& session)
        : m_request(request), m_session(session)
    {
        Consiste::SetPresenter([this](const QString& text) {
            m_messages << text;
            fail(text);
        });
    }
    ~HeadlessRun()
    {
        if (m_form)
            m_form->SetCommandRunner(nullptr);
        Consiste::SetPresenter({});
    }
    HeadlessRun(const HeadlessRun&) = delete;
    HeadlessRun& operator=(const HeadlessRun&) = delete;

    // The process's exit code.
    int run();

private:
    // Raises Refused once the screen has shown a message.
    void settle();
    void loadFilter();
    void applyCriteria();
    // Each broken definition besides the chosen one is told once; the chosen one is refused
    // with its error instead.
    void warnBrokenReports() const;
    void press(TButtonFlat* button);
    int writeParams();
    int writeReport();
    void tellWritten(const QString& path) const;
    int refusalCode(const Refused& refused) const;

    const ReportRequest& m_request;
    HostSession& m_session;
    QStringList m_messages;
    QPointer<TfrmDadosGerRel> m_form;
    PreparedReportKeeper m_keeper;
};

int HeadlessRun::run()
{
    m_form = openScreen(m_session);
    try {
        loadFilter();
        applyCriteria();
        warnBrokenReports();
        return m_request.params ? writeParams() : writeReport();
    } catch (const Refused& refused) {
        return refusalCode(refused);
    }
}

void HeadlessRun::settle()
{
    QCoreApplication::processEvents();
    if (!m_messages.isEmpty())
        throw Refused();
}

void HeadlessRun::loadFilter()
{
    if (!m_request.filter)
        return;
    // The screen loads its set as its "Filtros" menu does; what it could not apply was
    // printed and does not stop the run, a refusal of the screen does.
    const ScreenCriteria::Outcome loaded =
        ScreenCriteria::loadSet(m_session.module(), *m_request.filter);
    tell(loaded.notes);
    if (loaded.result != ScreenCriteriaApplied)
        throw Refused();
    m_messages.clear();
}

void HeadlessRun::applyCriteria()
{
    if (m_request.criteria.isEmpty())
        return;
    const ScreenCriteria::Outcome applied =
        ScreenCriteria::apply(m_session.module(), m_request.criteria);
    tell(applied.notes);
    if (applied.result != ScreenCriteriaApplied)
        throw Refused();
    settle();
}

void HeadlessRun::warnBrokenReports() const
{
    const int chosen = m_form->cbbReportNames->GetItemIndex();
    for (int i = 0; i < m_form->Reports().size(); ++i)
        if (m_form->Reports().at(i).broken() && i != chosen)
            note(QStringLiteral("aviso: relatório %1 ignorado: %2")
                     .arg(i)
                     .arg(m_form->Reports().at(i).error));
}

void HeadlessRun::press(TButtonFlat* button)
{
    button->click();
    settle();
}

int HeadlessRun::writeParams()
{
    m_form->SetCommandRunner(&m_keeper);
    press(m_form->sbtPreview);
    if (!m_keeper.kept)
        throw Refused{false};
    const QByteArray json = paramsJson(
        m_keeper.kept->definition, m_form->cbbReportNames->GetItemIndex(), *m_keeper.kept->params);
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
    return 0;
}

int HeadlessRun::writeReport()
{
    const QString path = QFileInfo(m_request.output).absoluteFilePath();
    m_form->rpddPadrao->SetOutputFile(path);
    m_form->rpddPadrao->SetOutputOptions(m_request.outputOptions);
    press(m_form->sbtSalvarComo);
    if (m_form->rpddPadrao->LastRun().file != path)
        throw Refused{false};
    tellWritten(path);
    return 0;
}

void HeadlessRun::tellWritten(const QString& path) const
{
    const auto& run = m_form->rpddPadrao->LastRun();
    const QString inconsistencies =
        run.inconsistencies == 0
            ? QString()
            : QStringLiteral(", %1 %2")
                  .arg(run.inconsistencies)
                  .arg(run.inconsistencies == 1 ? QStringLiteral("inconsistência")
                                                : QStringLiteral("inconsistências"));
    if (!quiet)
        std::printf("%s: \"%s\", %d %s, %d %s%s\n", qUtf8Printable(QDir::toNativeSeparators(path)),
                    qUtf8Printable(m_form->cbbReportNames->currentText()), run.rows,
                    run.rows == 1 ? "linha" : "linhas", run.pages,
                    run.pages == 1 ? "página" : "páginas", qUtf8Printable(inconsistencies));
    if (run.rows == 0)
        note(QStringLiteral("nenhum cheque atende aos critérios; arquivo gravado com o "
                            "cabeçalho"));
}

int HeadlessRun::refusalCode(const Refused& refused) const
{
    if (const int signal = Interruption::signalNumber()) {
        fail(QStringLiteral("interrompido; o arquivo de saída não foi alterado"));
        return 128 + signal;
    }
    if (!refused.told)
        fail(QStringLiteral("o relatório não foi gerado"));
    const auto& error = m_form->rpddPadrao->LastRun().error;
    return error ? exitCodeOf(error) : 1;
}

// The folder of the output takes files; told when it does not.
bool outputFolderTakesFiles(const ReportRequest& request)
{
    if (request.output.isEmpty())
        return true;
    const QFileInfo directory(QFileInfo(request.output).absolutePath());
    if (directory.isDir() && directory.isWritable())
        return true;
    fail(QStringLiteral("a pasta '%1' %2; nada foi gravado")
             .arg(VisibleText::of(QDir::toNativeSeparators(directory.filePath())),
                  directory.isDir() ? QStringLiteral("não aceita gravação (sem permissão)")
                                    : QStringLiteral("não existe")));
    return false;
}

// The operator has the saved set the request names, if it names one; told when not.
bool operatorHasFilter(const ReportRequest& request, const ScreenDescription& screen,
                       const QString& operatorCode)
{
    if (!request.filter)
        return true;
    const CriteriaSets sets(screen.screenCode(), operatorCode);
    if (sets.contains(*request.filter))
        return true;
    const QStringList names = sets.names();
    fail(QStringLiteral("--filter: o operador %1 não tem o filtro '%2' (filtros: %3)")
             .arg(VisibleText::of(operatorCode), VisibleText::of(*request.filter),
                  names.isEmpty() ? QStringLiteral("nenhum") : names.join(QStringLiteral(", "))));
    return false;
}

int runReport(const ReportRequest& request, const ScreenDescription& screen)
{
    if (!outputFolderTakesFiles(request))
        return 1;
    HostOptions options = request.host;
    // A server login's password; asked only on a terminal.
    options.requirePassword(isatty(STDIN_FILENO) != 0);
    if (!operatorHasFilter(request, screen, options.operatorCode))
        return 2;
    HostSession session(options);
    HeadlessRun run(request, session);
    return run.run();
}

QStringList criterionNames(const ScreenDescription& screen)
{
    QStringList names;
    for (const ScreenDescription::Criterion& criterion : screen.criteria())
        names << criterion.name;
    return names;
}

// The command line read and its criteria checked by the screen; nullopt, told, when either
// is refused, with the exit code in code.
std::optional<ReportRequest> readRequest(const QStringList& args, DescribedScreen& screen,
                                         int& code)
{
    ReportRequest request;
    try {
        request = ReportRequest::parse(args, criterionNames(screen.description));
    } catch (const ELoginRefused& e) {
        fail(e.Message());
        code = 4;
        return std::nullopt;
    } catch (const Exception& e) {
        fail(e.Message() + QStringLiteral("\n(klx report --help mostra as opções)"));
        code = 2;
        return std::nullopt;
    }
    if (request.criteria.isEmpty())
        return request;
    const ScreenCriteria::Outcome checked = ScreenCriteria::check(screen.module, request.criteria);
    if (checked.result == ScreenCriteriaApplied)
        return request;
    tell(checked.notes);
    std::fprintf(stderr, "(klx report --help mostra as opções)\n");
    code = 2;
    return std::nullopt;
}

} // namespace

int ReportCommand::run(const QStringList& args)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        quietOffscreenWarnings();
    try {
        const std::unique_ptr<DescribedScreen> screen = describeScreen();
        if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
            std::printf("%s", qUtf8Printable(usage(screen->description)));
            return 0;
        }
        int code = 0;
        const std::optional<ReportRequest> request = readRequest(args, *screen, code);
        if (!request)
            return code;
        quiet = request->quiet;
        for (const QString& warning : std::as_const(request->host.warnings))
            note(QStringLiteral("aviso: ") + warning);
        if (request->host.operatorCode.isEmpty()) {
            fail(QStringLiteral("informe o operador com --operator (ou --user; ou [login] "
                                "operator na configuração)"));
            return 2;
        }
        return runReport(*request, screen->description);
    } catch (const Exception& e) {
        fail(e.Message());
        return exitCodeOf(std::current_exception());
    }
}

namespace {

// The criteria the screen takes, as help lines: the option and its value, then its help.
QString criteriaHelp(const ScreenDescription& screen)
{
    constexpr int helpColumn = 24;
    QString text;
    for (const ScreenDescription::Criterion& criterion : screen.criteria()) {
        const QString option = QStringLiteral("  --%1 %2").arg(criterion.name, criterion.value);
        const QStringList lines = criterion.help.split(QLatin1Char('\n'));
        text += option.leftJustified(helpColumn - 1) + QLatin1Char(' ') + lines.first() +
                QLatin1Char('\n');
        for (const QString& line : lines.mid(1))
            text += QString(helpColumn, QLatin1Char(' ')) + line + QLatin1Char('\n');
    }
    return text;
}

} // namespace

QString ReportCommand::usage(const ScreenDescription& screen)
{
    QString title = screen.title();
    title.remove(QLatin1Char('&'));
    return QStringLiteral(
               "uso: klx report [CRITÉRIOS] --output ARQUIVO.pdf|ARQUIVO.csv|ARQUIVO.xlsx "
               "[OPÇÕES]\n"
               "     klx report [CRITÉRIOS] --params [OPÇÕES]\n"
               "\n"
               "Abre a tela %1 (%2) sem janela, aplica os critérios pelos\n"
               "próprios controles da tela, como um usuário faria (as mesmas validações e o mesmo\n"
               "preenchimento dos parâmetros), e grava o relatório escolhido.\n"
               "\n"
               "Critérios (os omitidos ficam como a tela os abre):\n")
               .arg(title, screen.screenCode()) +
           criteriaHelp(screen) +
           QStringLiteral(
               "  --filter NOME         um filtro salvo na tela (menu Filtros) pelo operador;\n"
               "                        os critérios acima, se dados, valem sobre os dele\n"
               "\n"
               "Saída:\n"
               "  --output ARQUIVO      grava o relatório em PDF, CSV ou XLSX (pela extensão); o\n"
               "                        CSV tem as mesmas linhas e colunas do relatório (e as\n"
               "                        colunas que as páginas mostram como grupo, os dados da\n"
               "                        conta e o valor considerado nos totais), UTF-8,\n"
               "                        separado por ';', valores 1.234,56 e datas DD/MM/AAAA;\n"
               "                        o XLSX, números como números e datas como datas, com\n"
               "                        os critérios numa segunda folha\n"
               "  --csv-totals          o CSV ou XLSX traz também as linhas de total e de\n"
               "                        status, onde as páginas as têm, e as inconsistências\n"
               "  --csv-criteria        o CSV começa pelo título, a data de processamento e os\n"
               "                        critérios completos, uma linha cada, e uma linha vazia\n"
               "  --csv-excel           CSV para o Excel: marca de ordem de bytes no início e\n"
               "                        códigos (contas, números de cheque) como texto\n"
               "  --threads N           threads que pintam as páginas do PDF (padrão: uma por\n"
               "                        núcleo; 1 pinta tudo numa só)\n"
               "  --params              em vez de gravar, mostra em JSON os parâmetros que a\n"
               "                        consulta do relatório recebe\n"
               "  --quiet               mostra só os erros\n"
               "\n"
               "Opções comuns:\n") +
           HostOptions::usage() +
           QStringLiteral(
               "\n"
               "Saída do processo: 0 relatório gravado (também sem linhas, com aviso); 2 linha de\n"
               "comando inválida; 3 banco inacessível, em uso ou servidor parado (tente mais\n"
               "tarde); 4 entrada recusada (senha, operador) ou leitura negada ao operador;\n"
               "128 + o sinal quando interrompido (SIGTERM 143, SIGINT 130); 1 qualquer outro\n"
               "erro, como a tela recusar os critérios (a mensagem dela vai para a saída de\n"
               "erro).\n"
               "\n"
               "Exemplo:\n"
               "  QT_QPA_PLATFORM=offscreen klx report --report 1 --companies 01 \\\n"
               "      --emission-from 01/02/2026 --emission-to 28/02/2026 --output cheques.pdf\n");
}

} // namespace host

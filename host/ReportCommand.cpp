#include "ReportCommand.h"

#include "HostSession.h"
#include "Interruption.h"
#include "OffscreenMessages.h"
#include "ReportCommandLine.h"
#include "base/Consiste.h"
#include "base/DateRules.h"
#include "base/Dispatcher.h"
#include "base/Exceptions.h"
#include "base/VisibleText.h"
#include "controls/Pesqlista.h"
#include "controls/TButtonFlat.h"
#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TDateEditPlus.h"
#include "controls/TMaskEdit.h"
#include "controls/TRadioButton.h"
#include "data/LoginContext.h"
#include "data/TParams.h"
#include "form/CriteriaSets.h"
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
#include <cstdio>
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

// The screen's controls by role that the command drives, checked when the module loads.
void requireRoles(const ScreenDescription& screen)
{
    screen.requireControls(
        {ScreenRole::companiesList, ScreenRole::companiesSearch, ScreenRole::accountsList,
         ScreenRole::accountsSearch, ScreenRole::emissionFrom, ScreenRole::emissionTo,
         ScreenRole::clearingFrom, ScreenRole::clearingTo, ScreenRole::checkFrom,
         ScreenRole::checkTo, ScreenRole::stateIssued, ScreenRole::stateCancelled,
         ScreenRole::stateAvailable, ScreenRole::reconciliation});
    screen.variableIn(ScreenRole::defaultsPending);
}

// Drives the open screen the way a user would, stopping at the first message it shows.
class ScreenDriver {
public:
    ScreenDriver(TfrmDadosGerRel* form, const ScreenDescription& screen,
                 const QStringList& messages)
        : m_form(form), m_screen(screen), m_messages(messages)
    {
    }

    // The control in that role; raises an Exception naming it when the form lacks it.
    template <class T> T* control(const char* role) const
    {
        const QString name = m_screen.control(role);
        T* found = m_form->findChild<T*>(name);
        if (!found)
            throw Exception(QStringLiteral("a tela não tem o controle %1").arg(name));
        return found;
    }

    // Raises Refused once the screen has shown a message.
    void settle()
    {
        QCoreApplication::processEvents();
        if (!m_messages.isEmpty())
            throw Refused();
    }

    void requireEnabled(QWidget* widget, const QString& option)
    {
        if (!widget->isEnabled()) {
            fail(QStringLiteral("%1: o campo está desabilitado na tela com estes critérios")
                     .arg(option));
            throw Refused();
        }
    }

    void selectReport(int index)
    {
        auto* list = m_form->cbbReportNames;
        if (index >= list->count()) {
            fail(QStringLiteral("--report: não há relatório %1; a lista tem %2 (0 a %3)")
                     .arg(index)
                     .arg(list->count())
                     .arg(list->count() - 1));
            throw Refused();
        }
        list->SelectByUser(index);
        settle();
    }

    void setStates(const QStringList& wanted)
    {
        const QList<QPair<const char*, QString>> boxes{
            {ScreenRole::stateIssued, QStringLiteral("emitido")},
            {ScreenRole::stateCancelled, QStringLiteral("cancelado")},
            {ScreenRole::stateAvailable, QStringLiteral("disponivel")}};
        // Boxes to check first, so the status group never passes through "none".
        for (bool checking : {true, false}) {
            for (const auto& [role, state] : boxes) {
                auto* box = control<TCheckBox>(role);
                const bool on = wanted.contains(state);
                if (on != checking || box->Checked() == on)
                    continue;
                requireEnabled(box, QStringLiteral("--states"));
                box->SetChecked(on);
                settle();
            }
        }
    }

    // Chooses "Lista" and answers the list picker with the codes.
    void pick(const char* listRole, const char* searchRole, const QStringList& codes,
              const QString& option)
    {
        auto* choice = control<TRadioButton>(listRole);
        requireEnabled(choice, option);
        choice->SetChecked(true);
        settle();
        QStringList missing;
        QStringList offered;
        bool asked = false;
        Pesqlista::SetImplementation([&](const Pesqlista::Request& request) {
            asked = true;
            offered.clear();
            for (const QString& key : request.table.keys)
                offered << key.trimmed();
            // A code is typed without the blank padding its column may store ("1" for "1 ").
            QStringList marked;
            for (const QString& code : codes) {
                const qsizetype row = offered.indexOf(code);
                if (row < 0)
                    missing << code;
                else
                    marked << request.table.keys.at(row);
            }
            return missing.isEmpty() ? std::optional<QStringList>(marked) : std::nullopt;
        });
        control<TButtonFlat>(searchRole)->click();
        Pesqlista::SetImplementation({});
        settle();
        if (!asked) {
            fail(QStringLiteral("%1: a tela não abriu a lista").arg(option));
            throw Refused();
        }
        if (!missing.isEmpty()) {
            fail(QStringLiteral("%1: %2 fora da lista da tela (disponíveis: %3)")
                     .arg(option, missing.join(QStringLiteral(", ")),
                          offered.isEmpty() ? QStringLiteral("nenhum")
                                            : offered.join(QStringLiteral(", "))));
            throw Refused();
        }
    }

    // Types the text into the edit and leaves it, raising its exit handler.
    void type(const char* role, const QString& text, const QString& option)
    {
        auto* edit = control<TMaskEdit>(role);
        requireEnabled(edit, option);
        edit->SetText(text);
        Dispatcher::run([edit] {
            if (edit->OnExit)
                edit->OnExit(edit);
        });
        settle();
    }

    void selectReconciliation(int index)
    {
        auto* list = control<TComboBox>(ScreenRole::reconciliation);
        requireEnabled(list, QStringLiteral("--reconciliation"));
        list->SelectByUser(index);
        settle();
    }

    void press(TButtonFlat* button)
    {
        button->click();
        settle();
    }

private:
    TfrmDadosGerRel* m_form;
    const ScreenDescription& m_screen;
    const QStringList& m_messages;
};

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
    session.openChequeScreen();
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
    throw Exception(QStringLiteral("a tela KLX47306 não abriu"));
}

void apply(ScreenDriver& screen, const ReportRequest& criteria)
{
    if (criteria.report)
        screen.selectReport(*criteria.report);
    if (criteria.states)
        screen.setStates(*criteria.states);
    if (criteria.companies)
        screen.pick(ScreenRole::companiesList, ScreenRole::companiesSearch, *criteria.companies,
                    QStringLiteral("--companies"));
    if (criteria.accounts)
        screen.pick(ScreenRole::accountsList, ScreenRole::accountsSearch, *criteria.accounts,
                    QStringLiteral("--accounts"));
    const QList<QPair<const std::optional<QString>*, QPair<const char*, const char*>>> edits{
        {&criteria.emissionFrom, {ScreenRole::emissionFrom, "--emission-from"}},
        {&criteria.emissionTo, {ScreenRole::emissionTo, "--emission-to"}},
        {&criteria.clearingFrom, {ScreenRole::clearingFrom, "--clearing-from"}},
        {&criteria.clearingTo, {ScreenRole::clearingTo, "--clearing-to"}},
        {&criteria.chequeFrom, {ScreenRole::checkFrom, "--check-from"}},
        {&criteria.chequeTo, {ScreenRole::checkTo, "--check-to"}}};
    // A date rule gives its date on the branch's processing date, as a saved set's does.
    const QDate today = QDate::currentDate();
    const QDate processing = DateTime::toDate(DataProc(FiliProc()));
    for (const auto& [value, names] : edits) {
        if (!*value)
            continue;
        const auto rule = DateRules::parse(**value, today);
        const QString text = rule ? DateRules::word({DateRules::Kind::Fixed,
                                                     DateRules::resolve(*rule, processing, today)})
                                  : **value;
        screen.type(names.first, text, QLatin1String(names.second));
    }
    if (criteria.reconciliation)
        screen.selectReconciliation(*criteria.reconciliation);
}

int runReport(const ReportRequest& request)
{
    HostOptions options = request.host;
    if (!request.output.isEmpty()) {
        const QFileInfo directory(QFileInfo(request.output).absolutePath());
        if (!directory.isDir() || !directory.isWritable()) {
            fail(QStringLiteral("a pasta '%1' %2; nada foi gravado")
                     .arg(VisibleText::of(QDir::toNativeSeparators(directory.filePath())),
                          directory.isDir() ? QStringLiteral("não aceita gravação (sem permissão)")
                                            : QStringLiteral("não existe")));
            return 1;
        }
    }
    // A server login's password; asked only on a terminal.
    options.requirePassword(isatty(STDIN_FILENO) != 0);
    if (request.filter) {
        const CriteriaSets sets(QStringLiteral("KLX47306"), options.operatorCode);
        if (!sets.contains(*request.filter)) {
            const QStringList names = sets.names();
            fail(QStringLiteral("--filter: o operador %1 não tem o filtro '%2' (filtros: %3)")
                     .arg(VisibleText::of(options.operatorCode), VisibleText::of(*request.filter),
                          names.isEmpty() ? QStringLiteral("nenhum")
                                          : names.join(QStringLiteral(", "))));
            return 2;
        }
    }
    PreparedReportKeeper keeper; // outlives the form it is set on
    HostSession session(options);
    requireRoles(session.screen());
    QStringList messages;
    Consiste::SetPresenter([&messages](const QString& text) {
        messages << text;
        fail(text);
    });
    struct PresenterReset {
        ~PresenterReset() { Consiste::SetPresenter({}); }
    } reset;

    TfrmDadosGerRel* form = openScreen(session);
    // Each broken definition is told once; the one chosen is refused with its error instead.
    const int chosen = request.report.value_or(form->cbbReportNames->GetItemIndex());
    for (int i = 0; i < form->Reports().size(); ++i)
        if (form->Reports().at(i).broken() && i != chosen)
            note(QStringLiteral("aviso: relatório %1 ignorado: %2")
                     .arg(i)
                     .arg(form->Reports().at(i).error));
    ScreenDriver screen(form, session.screen(), messages);
    try {
        if (request.filter) {
            // The screen loads its set as its "Filtros" menu does; what it could not apply
            // was printed and does not stop the run, a refusal of the screen does.
            bool loaded = false;
            QMetaObject::invokeMethod(form, "loadCriteriaSet", Qt::DirectConnection,
                                      Q_RETURN_ARG(bool, loaded), Q_ARG(QString, *request.filter));
            if (!loaded)
                throw Refused();
            messages.clear();
        }
        apply(screen, request);
        if (request.params) {
            form->SetCommandRunner(&keeper);
            screen.press(form->sbtPreview);
            if (!keeper.kept)
                throw Refused{false};
            const QByteArray json =
                paramsJson(keeper.kept->definition, form->cbbReportNames->GetItemIndex(),
                           *keeper.kept->params);
            std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
            return 0;
        }
        const QString path = QFileInfo(request.output).absoluteFilePath();
        form->rpddPadrao->SetOutputFile(path);
        form->rpddPadrao->SetOutputOptions(request.outputOptions);
        screen.press(form->sbtSalvarComo);
        const auto& run = form->rpddPadrao->LastRun();
        if (run.file != path)
            throw Refused{false};
        const QString inconsistencies =
            run.inconsistencies == 0
                ? QString()
                : QStringLiteral(", %1 %2")
                      .arg(run.inconsistencies)
                      .arg(run.inconsistencies == 1 ? QStringLiteral("inconsistência")
                                                    : QStringLiteral("inconsistências"));
        if (!quiet)
            std::printf("%s: \"%s\", %d %s, %d %s%s\n",
                        qUtf8Printable(QDir::toNativeSeparators(path)),
                        qUtf8Printable(form->cbbReportNames->currentText()), run.rows,
                        run.rows == 1 ? "linha" : "linhas", run.pages,
                        run.pages == 1 ? "página" : "páginas", qUtf8Printable(inconsistencies));
        if (run.rows == 0)
            note(QStringLiteral("nenhum cheque atende aos critérios; arquivo gravado com o "
                                "cabeçalho"));
        return 0;
    } catch (const Refused& refused) {
        if (const int signal = Interruption::signalNumber()) {
            fail(QStringLiteral("interrompido; o arquivo de saída não foi alterado"));
            return 128 + signal;
        }
        if (!refused.told)
            fail(QStringLiteral("o relatório não foi gerado"));
        const auto& error = form->rpddPadrao->LastRun().error;
        return error ? exitCodeOf(error) : 1;
    }
}

} // namespace

int ReportCommand::run(const QStringList& args)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        quietOffscreenWarnings();
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::printf("%s", qUtf8Printable(usage()));
        return 0;
    }
    ReportRequest request;
    try {
        request = ReportRequest::parse(args);
    } catch (const ELoginRefused& e) {
        fail(e.Message());
        return 4;
    } catch (const Exception& e) {
        fail(e.Message() + QStringLiteral("\n(klx report --help mostra as opções)"));
        return 2;
    }
    quiet = request.quiet;
    for (const QString& warning : std::as_const(request.host.warnings))
        note(QStringLiteral("aviso: ") + warning);
    if (request.host.operatorCode.isEmpty()) {
        fail(QStringLiteral("informe o operador com --operator (ou --user; ou [login] operator "
                            "na configuração)"));
        return 2;
    }
    try {
        return runReport(request);
    } catch (const Exception& e) {
        fail(e.Message());
        return exitCodeOf(std::current_exception());
    }
}

QString ReportCommand::usage()
{
    return QStringLiteral(
               "uso: klx report [CRITÉRIOS] --output ARQUIVO.pdf|ARQUIVO.csv|ARQUIVO.xlsx "
               "[OPÇÕES]\n"
               "     klx report [CRITÉRIOS] --params [OPÇÕES]\n"
               "\n"
               "Abre a tela Relação de Cheques (KLX47306) sem janela, aplica os critérios pelos\n"
               "próprios controles da tela, como um usuário faria (as mesmas validações e o mesmo\n"
               "preenchimento dos parâmetros), e grava o relatório escolhido.\n"
               "\n"
               "Critérios (os omitidos ficam como a tela os abre: todas as empresas e contas,\n"
               "emissão na data de processamento, todos os status, conciliação Todos):\n"
               "  --report N            relatório da lista, a partir de 0 (padrão 0):\n"
               "                        0 por emissão, 1 por número, 2 conciliação,\n"
               "                        3 não compensados por idade, 4 auditoria de talonários,\n"
               "                        5 pendentes em uma data (a data final de compensação,\n"
               "                        ou a de processamento)\n"
               "  --companies 01,02     empresas escolhidas na lista (opção Lista)\n"
               "  --accounts 001,003    contas correntes escolhidas na lista (opção Lista)\n"
               "  --emission-from DATA  emissão de (DD/MM/AAAA, D/M/AA, AAAA-MM-DD ou uma regra:\n"
               "                        processamento, hoje, ontem, inicio-do-mes, fim-do-mes,\n"
               "                        inicio-do-mes-anterior, fim-do-mes-anterior,\n"
               "                        processamento-N; \"\" deixa vazio)\n"
               "  --emission-to DATA    emissão até\n"
               "  --clearing-from DATA  compensação de\n"
               "  --clearing-to DATA    compensação até\n"
               "  --check-from N        cheque de (até 6 dígitos; comparado como número)\n"
               "  --check-to N          cheque até\n"
               "  --states LISTA        status marcados: emitido,cancelado,disponivel\n"
               "                        (os não listados são desmarcados)\n"
               "  --reconciliation X    todos|compensado|nao-compensado (relatório 2)\n"
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

#include "scenario/ScenarioCaseRun.h"

#include "AppPaths.h"
#include "HostLogin.h"
#include "HostSession.h"
#include "base/Consiste.h"
#include "base/Exceptions.h"
#include "controls/TComboBox.h"
#include "controls/TMaskEdit.h"
#include "data/LoginContext.h"
#include "data/TParams.h"
#include "data/dtmDBGeral.h"
#include "form/TApplication.h"
#include "form/TForm.h"
#include "report/ui/TfrmDadosGerRel.h"
#include "scenario/ScenarioDatabaseFaults.h"
#include "scenario/ScenarioReports.h"
#include "scenario/TextTyping.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSqlError>
#include <QSqlQuery>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <dlfcn.h>

namespace {

Qt::Key qtKeyFromName(const QString& name)
{
    static const QHash<QString, Qt::Key> named{
        {QStringLiteral("Enter"), Qt::Key_Return},
        {QStringLiteral("Escape"), Qt::Key_Escape},
        {QStringLiteral("Space"), Qt::Key_Space},
        {QStringLiteral("Tab"), Qt::Key_Tab},
        {QStringLiteral("Up"), Qt::Key_Up},
        {QStringLiteral("Down"), Qt::Key_Down},
        {QStringLiteral("Left"), Qt::Key_Left},
        {QStringLiteral("Right"), Qt::Key_Right},
        {QStringLiteral("Delete"), Qt::Key_Delete},
        {QStringLiteral("Backspace"), Qt::Key_Backspace},
        {QStringLiteral("Home"), Qt::Key_Home},
        {QStringLiteral("End"), Qt::Key_End},
    };
    if (named.contains(name))
        return named.value(name);
    if (name.size() >= 2 && name.at(0) == QLatin1Char('F')) {
        bool ok = false;
        const int n = name.mid(1).toInt(&ok);
        if (ok && n >= 1 && n <= 24)
            return static_cast<Qt::Key>(Qt::Key_F1 + n - 1);
    }
    // QTest names ASCII keys only; other characters are typed, not pressed.
    if (name.size() == 1 && name.at(0).unicode() < 0x80 && name.at(0).isLetterOrNumber())
        return static_cast<Qt::Key>(name.at(0).toUpper().unicode());
    throw Exception(QStringLiteral("tecla desconhecida '%1'").arg(name));
}

// Where a user clicks a button: on a check box's or radio button's indicator.
QPoint clickPoint(QAbstractButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    if (button->inherits("QCheckBox"))
        element = QStyle::SE_CheckBoxIndicator;
    else if (button->inherits("QRadioButton"))
        element = QStyle::SE_RadioButtonIndicator;
    else
        return button->rect().center();
    return button->style()->subElementRect(element, &option, button).center();
}

// Runs a statement of the case's test data. The operator's Firebird connection may only read:
// the statement runs as the database's owner (SYSDBA; on a server with the password in
// KLX_SYSDBA_PASSWORD) on a connection of its own.
void runAsOwner(const QString& sql)
{
    const QSqlDatabase operatorConnection = dtmDBGeral->database();
    if (operatorConnection.driverName() != QLatin1String("QIBASE")) {
        QSqlQuery query(operatorConnection);
        if (!query.exec(sql))
            throw Exception(QStringLiteral("sql falhou: %1").arg(query.lastError().text()));
        return;
    }
    const QString name = QStringLiteral("scenario-owner");
    QString error;
    {
        QSqlDatabase owner = QSqlDatabase::cloneDatabase(operatorConnection, name);
        owner.setUserName(QStringLiteral("SYSDBA"));
        owner.setPassword(qEnvironmentVariable("KLX_SYSDBA_PASSWORD"));
        owner.setConnectOptions();
        if (owner.open()) {
            QSqlQuery query(owner);
            if (!query.exec(sql))
                error = query.lastError().text();
        } else {
            error = owner.lastError().text();
        }
        owner.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty())
        throw Exception(QStringLiteral("sql falhou: %1").arg(error));
}

} // namespace

ScenarioCaseRun::ScenarioCaseRun(std::unique_ptr<HostSession>& session, HostOptions loginOptions,
                                 QString reportsDirectory)
    : m_session(session), m_loginOptions(std::move(loginOptions)),
      m_reportsDirectory(std::move(reportsDirectory))
{
    showHost();
    Consiste::SetPresenter([this](const QString& text) {
        Message message{text, focusName()};
        m_messages.append(message);
        m_lastMessage = message;
    });
    Pesqlista::SetImplementation(
        [this](const Pesqlista::Request& request) { return answerPicker(request); });
}

ScenarioCaseRun::~ScenarioCaseRun()
{
    Consiste::SetPresenter({});
    Pesqlista::SetImplementation({});
    QObject::disconnect(m_cursorConnection);
    QObject::disconnect(m_formsConnection);
    if (Application)
        Application->setFormObserver({});
    m_loginDialog.reset();
    if (auto* screen = qobject_cast<TfrmDadosGerRel*>(m_session ? form() : nullptr))
        screen->SetCommandRunner(nullptr);
}

HostSession& ScenarioCaseRun::session() const
{
    if (!m_session)
        throw Exception(QStringLiteral("o programa não entrou: o diálogo de entrada está aberto ou "
                                       "foi cancelado"));
    return *m_session;
}

void ScenarioCaseRun::showHost()
{
    // The screen cursor belongs to the session's application object.
    QObject::disconnect(m_cursorConnection);
    m_cursorConnection = QObject::connect(Screen, &TScreen::CursorChanged, [this](TCursor cursor) {
        m_cursorHistory << (cursor == crHourGlass ? QStringLiteral("hourglass")
                                                  : QStringLiteral("default"));
    });
    watchForms();
    MainWindow& window = session().mainWindow();
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QCoreApplication::processEvents();
}

void ScenarioCaseRun::watchForms()
{
    // The count is the application's: a session started again counts from none.
    QObject::disconnect(m_formsConnection);
    m_formsCreated = 0;
    m_formsConnection =
        QObject::connect(Application, &TApplication::formCreated, [this] { ++m_formsCreated; });
    Application->setFormObserver([this](TForm& form) {
        if (std::exchange(m_failCreation, false))
            throw Exception(
                QStringLiteral("Falha na criação do formulário '%1'.").arg(form.objectName()));
    });
}

void ScenarioCaseRun::startWithLoginDialog()
{
    if (auto* screen = qobject_cast<TfrmDadosGerRel*>(m_session ? form() : nullptr))
        screen->SetCommandRunner(nullptr);
    QObject::disconnect(m_cursorConnection);
    QObject::disconnect(m_formsConnection);
    m_session.reset();
    settle();
    m_loginDialog = HostLogin::dialog(m_loginOptions, m_session);
    m_loginDialog->show();
    m_loginDialog->activateWindow();
    QApplication::setActiveWindow(m_loginDialog.get());
}

void ScenarioCaseRun::takeLoggedInSession()
{
    if (!m_loginDialog || m_loginDialog->isVisible())
        return;
    m_loginDialog.reset();
    if (m_session)
        showHost();
}

void ScenarioCaseRun::waitUntilEnabled(QWidget* widget)
{
    // The longest wait of the login dialog is 30 s; the bound leaves room for a busy machine.
    if (!QTest::qWaitFor([widget] { return widget->isEnabled(); }, 120000))
        throw Exception(QStringLiteral("'%1' continua desabilitado").arg(widget->objectName()));
}

void ScenarioCaseRun::attachToForm()
{
    if (auto* screen = qobject_cast<TfrmDadosGerRel*>(form()))
        screen->SetCommandRunner(this);
}

bool ScenarioCaseRun::Run(const PreparedReport& report, ReportHost& host)
{
    // Edit runs no query: the editor stays shut.
    if (report.action != ReportAction::Edit)
        runQuery(report, host);
    m_commandsRan << reportActionName(report.action);
    recordParams(*report.params);
    // The user's command stopped here: no report was shown, printed or saved.
    return false;
}

void ScenarioCaseRun::runQuery(const PreparedReport& report, ReportHost& host)
{
    auto* screen = qobject_cast<TfrmDadosGerRel*>(form());
    if (!screen)
        throw Exception(QStringLiteral("o comando de relatório não veio da tela"));
    TReportDesignerDialog& engine = *screen->rpddPadrao;
    PreparedReport written = report;
    written.action = ReportAction::SaveAs;
    engine.SetOutputFile(m_outputs.filePath(QStringLiteral("relatorio.csv")));
    try {
        engine.Run(written, host);
    } catch (...) {
        engine.SetOutputFile(QString());
        throw;
    }
    engine.SetOutputFile(QString());
}

void ScenarioCaseRun::recordParams(const TParams& params)
{
    m_params.clear();
    for (int i = 0; i < params.Count(); ++i) {
        const TParam* p = params.Items(i);
        QString value = p->AsString();
        if (p->kind() == TParam::Kind::DateTime) {
            const QDate date = DateTime::toDate(p->AsDateTime());
            value = date.isValid() ? date.toString(Qt::ISODate) : QStringLiteral("0");
        }
        m_params.insert(p->Name(), {TParam::kindName(p->kind()), value});
    }
    m_bound = true;
}

void ScenarioCaseRun::declare(const QStringList& args)
{
    std::optional<QStringList> names;
    if (args != QStringList{QStringLiteral("report")})
        names = args == QStringList{QStringLiteral("none")} ? QStringList() : args;
    ScenarioReports::write(AppPaths::shippedReportsDirectory(), m_reportsDirectory, names);
}

QStringList ScenarioCaseRun::run(const ScenarioCase& kase,
                                 const std::function<void(const ScenarioStep&)>& beforeStep)
{
    QStringList failures;
    for (const ScenarioStep& step : kase.steps) {
        if (beforeStep)
            beforeStep(step);
        const QString where = QStringLiteral("%1:%2: ").arg(kase.file).arg(step.line);
        try {
            if (step.verb == QLatin1String("expect")) {
                const QString failure = check(step.args);
                if (!failure.isEmpty())
                    failures << where + failure;
            } else {
                m_messages.clear();
                m_commandsRan.clear();
                m_pickerShown = false;
                if (m_session)
                    attachToForm();
                act(step);
                settle();
                takeLoggedInSession();
            }
        } catch (const std::exception& e) {
            const auto* error = dynamic_cast<const Exception*>(&e);
            failures << where + (error ? error->Message() : QString::fromLocal8Bit(e.what()));
            break;
        }
    }
    return failures;
}

void ScenarioCaseRun::settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TForm* ScenarioCaseRun::form() const
{
    const auto windows = session().mainWindow().mdiArea()->subWindowList();
    for (QMdiSubWindow* window : windows)
        if (auto* f = qobject_cast<TForm*>(window->widget());
            f && f->objectName() == session().screen().formName())
            return f;
    return nullptr;
}

QWidget* ScenarioCaseRun::control(const QString& name) const
{
    // While the login dialog is open, its fields are the controls a user reaches.
    if (m_loginDialog && m_loginDialog->isVisible()) {
        if (name == m_loginDialog->objectName())
            return m_loginDialog.get();
        if (auto* widget = m_loginDialog->findChild<QWidget*>(name))
            return widget;
        throw Exception(
            QStringLiteral("controle desconhecido '%1' no diálogo de entrada").arg(name));
    }
    TForm* f = form();
    if (!f)
        throw Exception(QStringLiteral("a tela não está aberta (controle '%1')").arg(name));
    if (name == session().screen().formName())
        return f;
    auto* widget = f->findChild<QWidget*>(name);
    if (!widget)
        throw Exception(QStringLiteral("controle desconhecido '%1'").arg(name));
    return widget;
}

QString ScenarioCaseRun::focusName() const
{
    QWidget* focused = QApplication::focusWidget();
    return focused ? focused->objectName() : QString();
}

void ScenarioCaseRun::focusAsUser(QWidget* widget)
{
    if (QApplication::focusWidget() != widget)
        widget->setFocus(Qt::MouseFocusReason);
    settle();
}

QString ScenarioCaseRun::moduleVariable(const QString& name)
{
    if (!session().module().isLoaded() && m_unloadedVariables.contains(name))
        return m_unloadedVariables.value(name);
    const ScreenDescription::Variable* variable = session().screen().variable(name);
    if (!variable) // checked when parsing; never resolve another symbol
        throw Exception(QStringLiteral("variável desconhecida '%1'").arg(name));
    return ScreenDescription::valueText(*variable,
                                        session().module().symbol(name.toUtf8().constData()));
}

void ScenarioCaseRun::act(const ScenarioStep& step)
{
    const QString& verb = step.verb;
    const QStringList& args = step.args;
    if (verb == QLatin1String("login") && args == QStringList{QStringLiteral("dialog")}) {
        startWithLoginDialog();
    } else if (verb == QLatin1String("login")) {
        QString branch = FiliProc();
        QString operatorCode = Operador();
        for (const QString& word : args) {
            const QString value = word.section(QLatin1Char('='), 1);
            if (word.startsWith(QLatin1String("branch=")))
                branch = value;
            else
                operatorCode = value;
        }
        LoginContext::Login(branch, operatorCode);
    } else if (verb == QLatin1String("sql")) {
        runAsOwner(args.first());
    } else if (verb == QLatin1String("db")) {
        ScenarioDatabaseFaults::armQuery();
    } else if (verb == QLatin1String("fail")) {
        m_failCreation = true;
    } else if (verb == QLatin1String("open")) {
        session().openScreen();
    } else if (verb == QLatin1String("load")) {
        session().loadModule();
        m_unloadedVariables.clear();
    } else if (verb == QLatin1String("unload")) {
        unloadModule();
    } else if (verb == QLatin1String("activate")) {
        QMdiArea* area = session().mainWindow().mdiArea();
        area->setActiveSubWindow(otherWindow());
        settle();
        if (args.isEmpty())
            if (TForm* f = form())
                area->setActiveSubWindow(f->MdiWindow());
    } else if (verb == QLatin1String("minimize")) {
        if (TForm* f = form())
            f->SetWindowState(TWindowState::wsMinimized);
    } else if (verb == QLatin1String("close")) {
        if (TForm* f = form())
            f->MdiWindow()->close();
    } else if (verb == QLatin1String("click")) {
        QWidget* widget = control(args.at(0));
        auto* button = qobject_cast<QAbstractButton*>(widget);
        if (!button)
            throw Exception(QStringLiteral("'%1' não é um botão").arg(args.at(0)));
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, clickPoint(button));
    } else if (verb == QLatin1String("key")) {
        QWidget* widget = control(args.at(0));
        Qt::KeyboardModifiers modifiers;
        for (int i = 2; i < args.size(); ++i)
            modifiers |= args.at(i) == QLatin1String("shift")  ? Qt::ShiftModifier
                         : args.at(i) == QLatin1String("ctrl") ? Qt::ControlModifier
                                                               : Qt::AltModifier;
        focusAsUser(widget);
        QTest::keyClick(widget, qtKeyFromName(args.at(1)), modifiers);
    } else if (verb == QLatin1String("wait")) {
        waitUntilEnabled(control(args.at(1)));
    } else if (verb == QLatin1String("focus")) {
        focusAsUser(control(args.at(0)));
    } else if (verb == QLatin1String("type")) {
        auto* edit = qobject_cast<QLineEdit*>(control(args.at(0)));
        if (!edit)
            throw Exception(QStringLiteral("'%1' não é um campo de texto").arg(args.at(0)));
        focusAsUser(edit);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        edit->home(false);
        TextTyping::type(edit, args.at(1));
    } else if (verb == QLatin1String("keys")) {
        // Typed where the focus already is, over whatever the control has selected.
        QWidget* widget = control(args.at(0));
        if (QApplication::focusWidget() != widget)
            throw Exception(QStringLiteral("'%1' não tem o foco").arg(args.at(0)));
        TextTyping::type(widget, args.at(1));
    } else if (verb == QLatin1String("paste")) {
        auto* edit = qobject_cast<QLineEdit*>(control(args.at(0)));
        if (!edit)
            throw Exception(QStringLiteral("'%1' não é um campo de texto").arg(args.at(0)));
        focusAsUser(edit);
        edit->selectAll();
        QApplication::clipboard()->setText(args.at(1));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else if (verb == QLatin1String("clear")) {
        auto* edit = qobject_cast<QLineEdit*>(control(args.at(0)));
        if (!edit)
            throw Exception(QStringLiteral("'%1' não é um campo de texto").arg(args.at(0)));
        focusAsUser(edit);
        edit->clear();
    } else if (verb == QLatin1String("leave")) {
        QWidget* widget = control(args.at(0));
        focusAsUser(widget);
        QTest::keyClick(widget, Qt::Key_Tab);
    } else if (verb == QLatin1String("select")) {
        auto* combo = qobject_cast<TComboBox*>(control(args.at(0)));
        if (!combo)
            throw Exception(QStringLiteral("'%1' não é uma lista").arg(args.at(0)));
        focusAsUser(combo);
        if (combo->isEnabled())
            combo->SelectByUser(args.at(1).toInt());
    } else if (verb == QLatin1String("declare")) {
        declare(args);
    } else if (verb == QLatin1String("command")) {
        static const QHash<QString, const char*> roles{
            {QStringLiteral("print"), ScreenRole::print},
            {QStringLiteral("preview"), ScreenRole::preview},
            {QStringLiteral("saveas"), ScreenRole::saveAs},
            {QStringLiteral("edit"), ScreenRole::edit}};
        const QString name = session().screen().control(roles.value(args.at(0)));
        auto* button = qobject_cast<QAbstractButton*>(control(name));
        if (!button)
            throw Exception(QStringLiteral("'%1' não é um botão").arg(name));
        QTest::mouseClick(button, Qt::LeftButton);
    } else if (verb == QLatin1String("pick")) {
        if (args == QStringList{QStringLiteral("cancel")})
            m_pickAnswer = std::optional<QStringList>();
        else if (args == QStringList{QStringLiteral("none")})
            m_pickAnswer = std::optional<QStringList>(QStringList());
        else
            m_pickAnswer = std::optional<QStringList>(args);
    }
}

QMdiSubWindow* ScenarioCaseRun::otherWindow()
{
    QMdiArea* area = session().mainWindow().mdiArea();
    for (QMdiSubWindow* window : area->subWindowList())
        if (window->objectName() == QLatin1String("otherWindow"))
            return window;
    // Another screen of the host, with a field that takes the focus when it becomes active.
    auto* screen = new QWidget;
    screen->setWindowTitle(QStringLiteral("Outra janela"));
    auto* field = new QLineEdit(screen);
    field->setObjectName(QStringLiteral("otherWindowField"));
    auto* layout = new QVBoxLayout(screen);
    layout->addWidget(field);
    QMdiSubWindow* window = area->addSubWindow(screen);
    window->setObjectName(QStringLiteral("otherWindow"));
    window->resize(240, 100);
    window->show();
    return window;
}

void ScenarioCaseRun::unloadModule()
{
    // A reference of the driver's own to the mapped file keeps it through the host's last
    // unload, so that the variables the finalisation left can still be read. It calls nothing
    // in the module: the module counts only the host's requests.
    void* hold =
        dlopen(QFile::encodeName(session().module().path()).constData(), RTLD_NOW | RTLD_NOLOAD);
    session().unloadModule();
    if (hold && !session().module().isLoaded()) {
        m_unloadedVariables.clear();
        for (const ScreenDescription::Variable& variable : session().screen().variables())
            if (const void* address = dlsym(hold, variable.name.toUtf8().constData()))
                m_unloadedVariables.insert(variable.name,
                                           ScreenDescription::valueText(variable, address));
    }
    if (hold)
        dlclose(hold);
}

std::optional<QStringList> ScenarioCaseRun::answerPicker(const Pesqlista::Request& request)
{
    m_lastPicker = request;
    m_pickerShown = true;
    const std::optional<std::optional<QStringList>> answer =
        std::exchange(m_pickAnswer, std::nullopt);
    if (!answer || !*answer)
        return std::nullopt;
    // Only offered rows can be marked; they come back in the list's order.
    return Pesqlista::mark(request, **answer).marked;
}

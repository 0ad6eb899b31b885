#pragma once

#include "HostOptions.h"
#include "controls/Pesqlista.h"
#include "report/ui/ReportCommandRunner.h"
#include "scenario/Scenario.h"

#include <QHash>
#include <QMetaObject>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

class HostSession;
class LoginDialog;
class QMdiSubWindow;
class QWidget;
class TForm;
class TParams;

// Runs the steps of one case against a live host, recording what the screen shows. The
// screen's report commands come to it prepared: it keeps the parameters each report's query
// declares, as the form's engine bound them, and has the engine run the query into a file of
// its own (the user's dialogs stay shut). "login dialog" starts the host again through its
// login dialog: the session goes, and the dialog's "Entrar" opens the next one, with
// loginOptions' database. The reports the screen lists are the case's own (ScenarioReports),
// written into reportsDirectory.
class ScenarioCaseRun : private ReportCommandRunner {
public:
    ScenarioCaseRun(std::unique_ptr<HostSession>& session, HostOptions loginOptions,
                    QString reportsDirectory);
    ~ScenarioCaseRun();
    ScenarioCaseRun(const ScenarioCaseRun&) = delete;
    ScenarioCaseRun& operator=(const ScenarioCaseRun&) = delete;

    // Runs every step, telling beforeStep which one comes; returns the failure lines (empty
    // when the case passed).
    QStringList run(const ScenarioCase& kase,
                    const std::function<void(const ScenarioStep&)>& beforeStep = {});

private:
    struct Message {
        QString text;
        QString focus;
    };
    struct BoundParam {
        QString kind; // "string", "integer", "datetime" or "unassigned"
        QString value;
    };

    // Takes the report commands of the screen's form, prepared, instead of its engine.
    bool Run(const PreparedReport& report, ReportHost& host) override;
    // The report's query run by the form's engine, written to a file nobody asked for.
    void runQuery(const PreparedReport& report, ReportHost& host);
    void recordParams(const TParams& params);
    void attachToForm();
    // The case's seams on the session's application: a creation that fails when asked, and
    // the forms counted.
    void watchForms();
    // "declare": what the next report query declares.
    void declare(const QStringList& args);

    void act(const ScenarioStep& step);
    // Empty when the expectation holds, else "expected ..., got ...".
    QString check(const QStringList& args);
    QString checkControl(const QString& what, const QStringList& args);
    QString checkParam(const QStringList& args);
    QString checkVariable(const QString& name, const QString& expected);
    QString checkCodes(const QString& name, const QStringList& expected);
    QString checkPicker(const QStringList& args);
    std::optional<QStringList> answerPicker(const Pesqlista::Request& request);

    // The session the case runs; raises an Exception while the login dialog stands in its place.
    HostSession& session() const;
    // Shows the session's main window and makes it the active one, as the host starts; the
    // case's seams go on its application.
    void showHost();
    // The host started again: the session closed, the login dialog shown.
    void startWithLoginDialog();
    // After a step: the login dialog that let the operator in gives way to the main window.
    void takeLoggedInSession();
    QString checkLogin(const QStringList& args) const;
    // Waits, within a bound, until the control is enabled (the login dialog's wait).
    void waitUntilEnabled(QWidget* widget);

    TForm* form() const;
    QWidget* control(const QString& name) const;
    void settle();
    void focusAsUser(QWidget* widget);
    QString focusName() const;
    // Another child window of the host, made on first use.
    QMdiSubWindow* otherWindow();
    // The host's unload request; after the last one the variables stay readable as the
    // module's finalisation left them.
    void unloadModule();
    // A module variable as a scenario writes it: true/false, a number, or the text.
    QString moduleVariable(const QString& name);

    std::unique_ptr<HostSession>& m_session;
    HostOptions m_loginOptions;
    std::unique_ptr<LoginDialog> m_loginDialog;
    QList<Message> m_messages;
    std::optional<Message> m_lastMessage;
    QStringList m_cursorHistory;
    QStringList m_commandsRan;
    QHash<QString, BoundParam> m_params;
    bool m_bound = false;
    QMetaObject::Connection m_cursorConnection;
    QMetaObject::Connection m_formsConnection;
    int m_formsCreated = 0;
    bool m_failCreation = false;
    QString m_reportsDirectory;
    QTemporaryDir m_outputs;
    // The answer to the next list picker: codes to mark, or std::nullopt to cancel.
    std::optional<std::optional<QStringList>> m_pickAnswer;
    std::optional<Pesqlista::Request> m_lastPicker;
    bool m_pickerShown = false;
    QHash<QString, QString> m_unloadedVariables;
};

#pragma once

#include "core/Pesqlista.h"
#include "scenario/Scenario.h"

#include <QHash>
#include <QStringList>
#include <optional>

class HostSession;
class QWidget;
class TForm;

// Runs the steps of one case against a live host, recording what the screen shows.
class ScenarioCaseRun {
public:
    explicit ScenarioCaseRun(HostSession& session);
    ~ScenarioCaseRun();
    ScenarioCaseRun(const ScenarioCaseRun&) = delete;
    ScenarioCaseRun& operator=(const ScenarioCaseRun&) = delete;

    // Runs every step; returns the failure lines (empty when the case passed).
    QStringList run(const ScenarioCase& kase);

private:
    struct Message {
        QString text;
        QString focus;
    };
    struct BoundParam {
        QString kind; // "string", "integer", "datetime" or "unassigned"
        QString value;
    };

    void act(const ScenarioStep& step);
    // Empty when the expectation holds, else "expected ..., got ...".
    QString check(const QStringList& args);
    QString checkControl(const QString& what, const QStringList& args);
    QString checkParam(const QStringList& args);
    QString checkVariable(const QString& name, const QString& expected);
    QString checkCodes(const QString& name, const QStringList& expected);
    QString checkPicker(const QStringList& args);
    std::optional<QStringList> answerPicker(const Pesqlista::Request& request);

    TForm* form() const;
    QWidget* control(const QString& name) const;
    void settle();
    void focusAsUser(QWidget* widget);
    QString focusName() const;
    void* moduleSymbol(const char* name);
    template <class T>
    T* moduleVariable(const char* name)
    {
        return static_cast<T*>(moduleSymbol(name));
    }

    HostSession& m_session;
    QList<Message> m_messages;
    std::optional<Message> m_lastMessage;
    QStringList m_cursorHistory;
    QStringList m_commandsRan;
    QHash<QString, BoundParam> m_params;
    bool m_bound = false;
    // The answer to the next list picker: codes to mark, or std::nullopt to cancel.
    std::optional<std::optional<QStringList>> m_pickAnswer;
    std::optional<Pesqlista::Request> m_lastPicker;
    bool m_pickerShown = false;
};

// The expectations of a scenario case: each compares what the live screen shows with
// what the scenario says, and describes the difference.
#include "scenario/ScenarioCaseRun.h"

#include "HostSession.h"
#include "base/TMessages.h"
#include "controls/Colors.h"
#include "controls/TButtonFlat.h"
#include "controls/TComboBox.h"
#include "controls/TDateEditPlus.h"
#include "controls/TMaskEdit.h"
#include "data/CharColumn.h"
#include "data/Dbgeral.h"
#include "data/LoginContext.h"
#include "form/TApplication.h"
#include "form/TForm.h"
#include "report/ui/TfrmDadosGerRel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <algorithm>

namespace {

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString mismatch(const QString& expected, const QString& got)
{
    return QStringLiteral("expected %1, got %2").arg(expected, got);
}

QString caption(QWidget* widget)
{
    if (auto* form = qobject_cast<TForm*>(widget))
        return form->Caption();
    if (auto* button = qobject_cast<TButtonFlat*>(widget))
        return button->Hint();
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return group->title();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return widget->windowTitle();
}

QString text(QWidget* widget)
{
    if (auto* edit = qobject_cast<TMaskEdit*>(widget))
        return edit->GetText();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->currentText();
    return caption(widget);
}

// Whether Tab can reach the control, or a control inside it. Qt lets Tab stop at one radio
// button of an exclusive group, the one last focused, and the arrows move inside the group:
// a radio button is reached when its group is.
bool reachableByTab(QWidget* widget)
{
    if (widget->focusPolicy() & Qt::TabFocus)
        return true;
    if (auto* radio = qobject_cast<QRadioButton*>(widget); radio && radio->autoExclusive()) {
        const auto group = radio->parentWidget()->findChildren<QRadioButton*>(
            QString(), Qt::FindDirectChildrenOnly);
        return std::any_of(group.cbegin(), group.cend(), [](QRadioButton* sibling) {
            return sibling->autoExclusive() && (sibling->focusPolicy() & Qt::TabFocus);
        });
    }
    const auto children = widget->findChildren<QWidget*>();
    return std::any_of(children.cbegin(), children.cend(),
                       [](QWidget* child) { return (child->focusPolicy() & Qt::TabFocus) != 0; });
}

// A font's height as a form description writes it: negative, the character height in
// pixels at 96 pixels per inch.
int descriptionHeight(const QFont& font)
{
    return font.pixelSize() > 0 ? -font.pixelSize() : -qRound(font.pointSizeF() * 96 / 72);
}

// The colour a control shows while enabled (a disabled one shows the style's disabled
// colours): a date edit's text, else its background.
QColor shownColor(QWidget* widget)
{
    const QPalette& palette = widget->palette();
    if (qobject_cast<TDateEditPlus*>(widget))
        return palette.color(QPalette::Active, QPalette::Text);
    if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget))
        return palette.color(QPalette::Active, QPalette::Base);
    return palette.color(QPalette::Active, widget->backgroundRole());
}

// The colour by the framework's names that have it, else as #rrggbb.
QString colorName(const QColor& color)
{
    const QStringList names = Colors::namesOf(color);
    return names.isEmpty() ? color.name() : names.join(QLatin1Char('/'));
}

// A group stands for the controls inside it.
QList<QWidget*> controlsOf(QWidget* widget)
{
    if (qobject_cast<QGroupBox*>(widget))
        return widget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    return {widget};
}

} // namespace

QString ScenarioCaseRun::check(const QStringList& args)
{
    const QString& what = args.first();
    if (what == QLatin1String("message")) {
        QStringList shown;
        for (const Message& m : std::as_const(m_messages))
            shown << quoted(m.text);
        const bool matching = args.size() == 3;
        const QString& want = args.last();
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(want));
        const bool holds =
            m_messages.size() == 1 && (matching ? pattern.match(m_messages.first().text).hasMatch()
                                                : m_messages.first().text == want);
        if (!holds)
            return mismatch(QStringLiteral("message ") +
                                (matching ? QStringLiteral("matching ") : QString()) + quoted(want),
                            shown.isEmpty() ? QStringLiteral("no message")
                                            : shown.join(QStringLiteral(", ")));
        return {};
    }
    if (what == QLatin1String("no")) {
        if (!m_messages.isEmpty())
            return mismatch(QStringLiteral("no message"), quoted(m_messages.first().text));
        return {};
    }
    if (what == QLatin1String("focus-at-message")) {
        if (!m_lastMessage)
            return mismatch(QStringLiteral("a message"), QStringLiteral("none"));
        if (m_lastMessage->focus != args.at(1))
            return mismatch(QStringLiteral("focus at message on ") + args.at(1),
                            quoted(m_lastMessage->focus));
        return {};
    }
    if (what == QLatin1String("focus")) {
        const QString now =
            QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        return now == args.at(1) ? QString()
                                 : mismatch(QStringLiteral("focus on ") + args.at(1), quoted(now));
    }
    if (what == QLatin1String("forms")) {
        return m_formsCreated == args.at(1).toInt()
                   ? QString()
                   : mismatch(args.at(1) + QStringLiteral(" forms"),
                              QString::number(m_formsCreated));
    }
    if (what == QLatin1String("window")) {
        QString state = QStringLiteral("closed");
        if (TForm* f = form())
            state = f->WindowState() == TWindowState::wsMinimized ? QStringLiteral("minimized")
                                                                  : QStringLiteral("normal");
        return state == args.at(1) ? QString()
                                   : mismatch(QStringLiteral("window ") + args.at(1), state);
    }
    if (what == QLatin1String("cursor-history")) {
        const QStringList expected = args.mid(1);
        return expected == m_cursorHistory
                   ? QString()
                   : mismatch(QStringLiteral("cursors [") + expected.join(QLatin1Char(' ')) +
                                  QLatin1Char(']'),
                              QLatin1Char('[') + m_cursorHistory.join(QLatin1Char(' ')) +
                                  QLatin1Char(']'));
    }
    if (what == QLatin1String("ran")) {
        return m_commandsRan.contains(args.at(1))
                   ? QString()
                   : mismatch(QStringLiteral("ran ") + args.at(1),
                              m_commandsRan.isEmpty() ? QStringLiteral("nothing ran")
                                                      : m_commandsRan.join(QStringLiteral(", ")));
    }
    if (what == QLatin1String("not")) {
        return m_commandsRan.isEmpty() ? QString()
                                       : mismatch(QStringLiteral("no command ran"),
                                                  m_commandsRan.join(QStringLiteral(", ")));
    }
    if (what == QLatin1String("param"))
        return checkParam(args.mid(1));
    if (what == QLatin1String("var"))
        return checkVariable(args.at(1), args.at(2));
    if (what == QLatin1String("codes"))
        return checkCodes(args.at(1), args.mid(2));
    if (what == QLatin1String("msg")) {
        auto* screen = qobject_cast<TfrmDadosGerRel*>(form());
        TMessages* messages = screen ? screen->msgPadrao : nullptr;
        if (!messages)
            return mismatch(QStringLiteral("the screen's message table"), QStringLiteral("none"));
        const QString got = messages->Msg(args.at(1));
        return got == args.at(2) ? QString() : mismatch(quoted(args.at(2)), quoted(got));
    }
    if (what == QLatin1String("picker"))
        return checkPicker(args.mid(1));
    if (what == QLatin1String("login"))
        return checkLogin(args.mid(1));
    return checkControl(what, args.mid(1));
}

QString ScenarioCaseRun::checkLogin(const QStringList& args) const
{
    QString now = QStringLiteral("none");
    if (m_loginDialog)
        now = QStringLiteral("dialog");
    else if (m_session)
        now = QStringLiteral("branch=%1 operator=%2").arg(FiliProc(), Operador());
    // A session is what its main window shows: the branch and operator in the status bar.
    if (m_session && !m_session->mainWindow().isVisible())
        now += QStringLiteral(" (main window hidden)");
    const QString want = args.join(QLatin1Char(' '));
    return now == want ? QString() : mismatch(QStringLiteral("login ") + want, now);
}

QString ScenarioCaseRun::checkControl(const QString& what, const QStringList& args)
{
    const QString& name = args.at(0);
    QWidget* widget = control(name);
    if (what == QLatin1String("text")) {
        const QString got = text(widget);
        return got == args.at(1)
                   ? QString()
                   : mismatch(QStringLiteral("text ") + quoted(args.at(1)), quoted(got));
    }
    if (what == QLatin1String("checked") || what == QLatin1String("unchecked")) {
        auto* button = qobject_cast<QAbstractButton*>(widget);
        const bool want = what == QLatin1String("checked");
        if (!button || button->isChecked() != want)
            return mismatch(name + QLatin1Char(' ') + what, button && button->isChecked()
                                                                ? QStringLiteral("checked")
                                                                : QStringLiteral("unchecked"));
        return {};
    }
    if (what == QLatin1String("enabled") || what == QLatin1String("disabled")) {
        const bool want = what == QLatin1String("enabled");
        for (QWidget* c : controlsOf(widget))
            if (c->isEnabled() != want)
                return mismatch(name + QLatin1Char(' ') + what,
                                c->objectName() + (want ? QStringLiteral(" disabled")
                                                        : QStringLiteral(" enabled")));
        return {};
    }
    if (what == QLatin1String("index")) {
        auto* combo = qobject_cast<QComboBox*>(widget);
        const int index = combo ? combo->currentIndex() : -2;
        return index == args.at(1).toInt()
                   ? QString()
                   : mismatch(QStringLiteral("index ") + args.at(1), QString::number(index));
    }
    if (what == QLatin1String("caption")) {
        const QString got = caption(widget);
        return got == args.at(1)
                   ? QString()
                   : mismatch(QStringLiteral("caption ") + quoted(args.at(1)), quoted(got));
    }
    if (what == QLatin1String("tooltip")) {
        const QString got = widget->toolTip();
        return got == args.at(1)
                   ? QString()
                   : mismatch(QStringLiteral("tooltip ") + quoted(args.at(1)), quoted(got));
    }
    if (what == QLatin1String("geometry")) {
        QRect rect = widget->geometry();
        if (auto* f = qobject_cast<TForm*>(widget))
            rect = QRect(f->MdiWindow() ? f->MdiWindow()->pos() : f->DesignPosition(), f->size());
        const QString got = QStringLiteral("%1 %2 %3 %4")
                                .arg(rect.left())
                                .arg(rect.top())
                                .arg(rect.width())
                                .arg(rect.height());
        const QString want = args.mid(1).join(QLatin1Char(' '));
        return got == want ? QString() : mismatch(QStringLiteral("geometry ") + want, got);
    }
    if (what == QLatin1String("tab")) {
        const QVariant order = widget->property("tabOrder");
        QString got = QStringLiteral("none");
        if (reachableByTab(widget))
            got = order.isValid() ? order.toString() : QStringLiteral("no tab order");
        return got == args.at(1) ? QString()
                                 : mismatch(QStringLiteral("tab order ") + args.at(1), got);
    }
    if (what == QLatin1String("items")) {
        auto* combo = qobject_cast<QComboBox*>(widget);
        QStringList items;
        for (int i = 0; combo && i < combo->count(); ++i)
            items << quoted(combo->itemText(i));
        QStringList want;
        for (const QString& item : args.mid(1))
            want << quoted(item);
        return items == want ? QString()
                             : mismatch(want.join(QLatin1Char(' ')), items.join(QLatin1Char(' ')));
    }
    if (what == QLatin1String("mask")) {
        auto* edit = qobject_cast<TMaskEdit*>(widget);
        const QString got = edit ? edit->EditMask() : QStringLiteral("no mask");
        return got == args.at(1)
                   ? QString()
                   : mismatch(QStringLiteral("mask ") + quoted(args.at(1)), quoted(got));
    }
    if (what == QLatin1String("font")) {
        const QFont font = widget->font();
        const QString weight = font.bold() ? QStringLiteral("bold") : QStringLiteral("normal");
        QString got = weight;
        QString want = args.last();
        if (args.size() == 4) {
            got = QStringLiteral("%1 %2 %3")
                      .arg(quoted(font.family()))
                      .arg(descriptionHeight(font))
                      .arg(weight);
            want = QStringLiteral("%1 %2 %3").arg(quoted(args.at(1)), args.at(2), args.at(3));
        }
        return got == want ? QString() : mismatch(QStringLiteral("font ") + want, got);
    }
    if (what == QLatin1String("color")) {
        const QColor got = shownColor(widget);
        return got == Colors::fromName(args.at(1))
                   ? QString()
                   : mismatch(QStringLiteral("color ") + args.at(1), colorName(got));
    }
    return QStringLiteral("expectativa não tratada '%1'").arg(what);
}

QString ScenarioCaseRun::checkParam(const QStringList& args)
{
    const QString& name = args.at(0);
    const QString& kind = args.at(1);
    if (!m_bound)
        return mismatch(QStringLiteral("bound parameters"), QStringLiteral("no report ran"));
    const auto found = m_params.constFind(name);
    if (kind == QLatin1String("undeclared"))
        return found == m_params.constEnd()
                   ? QString()
                   : mismatch(name + QStringLiteral(" undeclared"), QStringLiteral("declared"));
    if (found == m_params.constEnd())
        return mismatch(name + QLatin1Char(' ') + kind, QStringLiteral("undeclared"));
    const BoundParam& got = found.value();
    const QString gotText = got.kind == QLatin1String("unassigned")
                                ? got.kind
                                : got.kind + QLatin1Char(' ') + quoted(got.value);
    if (kind == QLatin1String("unassigned"))
        return got.kind == kind ? QString() : mismatch(QStringLiteral("unassigned"), gotText);
    QString wantKind = kind;
    QString wantValue = args.value(2);
    if (kind == QLatin1String("same-as")) {
        wantKind = QStringLiteral("string");
        wantValue = moduleVariable(wantValue);
    }
    if (got.kind != wantKind || got.value != wantValue)
        return mismatch(wantKind + QLatin1Char(' ') + quoted(wantValue), gotText);
    return {};
}

QString ScenarioCaseRun::checkVariable(const QString& name, const QString& expected)
{
    const QString got = moduleVariable(name);
    return got == expected ? QString()
                           : mismatch(name + QLatin1Char(' ') + quoted(expected), quoted(got));
}

QString ScenarioCaseRun::checkCodes(const QString& name, const QStringList& expected)
{
    const QString list = moduleVariable(name);
    QStringList want = expected;
    if (want == QStringList{QStringLiteral("none")})
        want.clear();
    // The list admits a code when the code occurs in its text: ask every code there is.
    const ScreenDescription::Variable* variable = session().screen().variable(name);
    const bool accounts = variable && variable->type == ScreenVariableAccountCodes;
    QSqlQuery query(dtmDBGeral->database());
    query.exec(accounts ? QStringLiteral("SELECT CDREDUCONT FROM CONTCORR")
                        : QStringLiteral("SELECT CDEMPRESA FROM EMPRESA"));
    QSet<QString> candidates(want.begin(), want.end());
    while (query.next()) // codes as stored, CHAR padding included
        candidates.insert(charColumnValue(query.value(0).toString(), accounts ? 3 : 2));
    QStringList admitted;
    for (const QString& code : std::as_const(candidates))
        if (!code.isEmpty() && list.contains(code))
            admitted << code;
    admitted.sort();
    want.sort();
    return admitted == want ? QString()
                            : mismatch(QStringLiteral("codes [") + want.join(QLatin1Char(' ')) +
                                           QLatin1Char(']'),
                                       QStringLiteral("[") + admitted.join(QLatin1Char(' ')) +
                                           QStringLiteral("] from ") + quoted(list));
}

QString ScenarioCaseRun::checkPicker(const QStringList& args)
{
    const QString& what = args.first();
    if (what == QLatin1String("not"))
        return m_pickerShown
                   ? mismatch(QStringLiteral("no list picker"), QStringLiteral("one was shown"))
                   : QString();
    if (!m_lastPicker)
        return mismatch(QStringLiteral("a list picker"), QStringLiteral("none was shown"));
    const Pesqlista::PickerTable& table = m_lastPicker->table;
    const auto words = [](const QStringList& list) {
        QStringList q;
        for (const QString& w : list)
            q << quoted(w);
        return q.isEmpty() ? QStringLiteral("none") : q.join(QLatin1Char(' '));
    };
    if (what == QLatin1String("title"))
        return m_lastPicker->title == args.at(1)
                   ? QString()
                   : mismatch(QStringLiteral("title ") + quoted(args.at(1)),
                              quoted(m_lastPicker->title));
    if (what == QLatin1String("rows")) {
        QStringList want = args.mid(1);
        if (want == QStringList{QStringLiteral("none")})
            want.clear();
        return table.keys == want
                   ? QString()
                   : mismatch(QStringLiteral("rows ") + words(want), words(table.keys));
    }
    if (what == QLatin1String("columns"))
        return table.columns == args.mid(1)
                   ? QString()
                   : mismatch(QStringLiteral("columns ") + words(args.mid(1)),
                              words(table.columns));
    // cell CODE FIELD TEXT: FIELD is a column label or a field name.
    const int row = table.keys.indexOf(args.at(1));
    if (row < 0)
        return mismatch(QStringLiteral("a row ") + args.at(1),
                        QStringLiteral("rows ") + words(table.keys));
    int column = table.columns.indexOf(args.at(2));
    if (column < 0)
        column = table.fieldNames.indexOf(args.at(2));
    if (column < 0)
        return mismatch(QStringLiteral("a column ") + args.at(2), words(table.columns));
    const QString got = table.cells.at(row).at(column);
    return got == args.at(3) ? QString() : mismatch(quoted(args.at(3)), quoted(got));
}

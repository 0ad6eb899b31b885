// Event semantics of the framework controls, the handler dispatcher and the small helpers
// the screens validate with.
#include "base/Consiste.h"
#include "base/DateTime.h"
#include "base/Dispatcher.h"
#include "base/Exceptions.h"
#include "base/TMessages.h"
#include "controls/Colors.h"
#include "controls/TCheckBox.h"
#include "controls/TDateEditPlus.h"
#include "controls/TMaskEdit.h"
#include "controls/TRadioButton.h"
#include "controls/TSaveDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QVBoxLayout>
#include <cmath>

class TestControls : public QObject {
    Q_OBJECT

private slots:
    void init();
    void radioButtonRaisesClickWhenCheckedFromCode();
    void checkBoxRaisesClickOnEveryChange();
    void exitIsRaisedWhenTheUserLeaves();
    void exitIsNotRaisedWhenAnotherChildWindowBecomesActive();
    void dispatcherAbsorbsAbortAndShowsOtherErrorsOnce();
    void abortOfANestedHandlerTravelsToItsCaller();
    void keyDownCarriesVirtualKeyAndShift_data();
    void keyDownCarriesVirtualKeyAndShift();
    void dateEditTextDateAndValidity_data();
    void dateEditTextDateAndValidity();
    void dateEditCalendarUsesWeekdayNames();
    void disabledDateEditLooksDisabled();
    void messageTableLookup();
    void saveDialogExtensionRule();
    void dayCountsAndDates();
    void emptinessAndAdjustment_data();
    void emptinessAndAdjustment();

private:
    QStringList m_shown;
};

// The save dialogs' rule: a name without an offered type's extension gets the chosen type's.
void TestControls::saveDialogExtensionRule()
{
    TSaveDialog dialog;
    dialog.Filter = QStringLiteral("Documento PDF (*.pdf)|*.pdf|Planilha CSV (*.csv)|*.csv");
    dialog.FilterIndex = 1;
    QCOMPARE(dialog.SuggestedName(QStringLiteral("cheques")), QStringLiteral("cheques.csv"));
    QCOMPARE(dialog.SuggestedName(QStringLiteral("cheques.txt")), QStringLiteral("cheques.txt"));
    QCOMPARE(dialog.SuggestedName(QString()), QString());
    QCOMPARE(dialog.WithExtension(QStringLiteral("/a/cheques"), 0),
             QStringLiteral("/a/cheques.pdf"));
    QCOMPARE(dialog.WithExtension(QStringLiteral("/a/cheques.CSV"), 0),
             QStringLiteral("/a/cheques.CSV"));
    QCOMPARE(dialog.WithExtension(QStringLiteral("/a/v1.2"), 1), QStringLiteral("/a/v1.2.csv"));
}

// A day count no calendar holds reads as no date (the cast alone would be undefined).
void TestControls::dayCountsAndDates()
{
    const QDate day(2026, 3, 15);
    QCOMPARE(DateTime::toDate(DateTime::fromDate(day)), day);
    QCOMPARE(DateTime::fromDate(QDate()), 0.0);
    for (const double count : {0.0, std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e19})
        QVERIFY2(!DateTime::toDate(count).isValid(), qPrintable(QString::number(count)));
}

void TestControls::init()
{
    m_shown.clear();
    Consiste::SetPresenter([this](const QString& text) { m_shown << text; });
}

void TestControls::radioButtonRaisesClickWhenCheckedFromCode()
{
    QWidget parent;
    auto* first = new TRadioButton(&parent);
    auto* second = new TRadioButton(&parent);
    int firstClicks = 0;
    int secondClicks = 0;
    first->OnClick = [&](TObject*) { ++firstClicks; };
    second->OnClick = [&](TObject*) { ++secondClicks; };

    first->SetChecked(true);
    QCOMPARE(firstClicks, 1);
    second->SetChecked(true); // unchecks the first: only the newly checked one clicks
    QCOMPARE(firstClicks, 1);
    QCOMPARE(secondClicks, 1);
    QVERIFY(!first->Checked());
    second->SetChecked(false);
    QCOMPARE(secondClicks, 1);
}

void TestControls::checkBoxRaisesClickOnEveryChange()
{
    TCheckBox box;
    QList<bool> states;
    box.OnClick = [&](TObject*) { states << box.Checked(); };
    box.SetChecked(true);
    box.SetChecked(true); // no change, no click
    box.SetChecked(false);
    box.click(); // a user's click
    QCOMPARE(states, (QList<bool>{true, false, true}));
}

void TestControls::exitIsRaisedWhenTheUserLeaves()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new TMaskEdit;
    auto* second = new TMaskEdit;
    auto* third = new TMaskEdit;
    layout->addWidget(first);
    layout->addWidget(second);
    layout->addWidget(third);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QStringList exits;
    first->OnExit = [&](TObject*) {
        exits << QStringLiteral("first");
        // A focus move made by the handler raises no exit of its own.
        third->setFocus();
    };
    second->OnExit = [&](TObject*) { exits << QStringLiteral("second"); };
    first->setFocus();
    second->setFocus(Qt::TabFocusReason);
    QCOMPARE(exits, QStringList{QStringLiteral("first")});
    QCOMPARE(QApplication::focusWidget(), third);
}

void TestControls::exitIsNotRaisedWhenAnotherChildWindowBecomesActive()
{
    QMainWindow main;
    auto* area = new QMdiArea;
    main.setCentralWidget(area);
    auto* screen = new QWidget;
    auto* edit = new TMaskEdit(screen);
    auto* next = new TMaskEdit(screen);
    new QVBoxLayout(screen);
    screen->layout()->addWidget(edit);
    screen->layout()->addWidget(next);
    auto* other = new QLineEdit;
    QMdiSubWindow* screenWindow = area->addSubWindow(screen);
    QMdiSubWindow* otherWindow = area->addSubWindow(other);
    main.show();
    QApplication::setActiveWindow(&main);
    QVERIFY(QTest::qWaitForWindowActive(&main));
    int exits = 0;
    edit->OnExit = [&](TObject*) { ++exits; };

    area->setActiveSubWindow(screenWindow);
    edit->setFocus();
    area->setActiveSubWindow(otherWindow); // Qt's other-focus reason, outside the window
    QCOMPARE(QApplication::focusWidget(), other);
    other->setFocus(Qt::MouseFocusReason);
    area->setActiveSubWindow(screenWindow);
    QCOMPARE(QApplication::focusWidget(), edit);
    QCOMPARE(exits, 0);
    next->setFocus(Qt::OtherFocusReason); // a move inside the window, whatever its reason
    QCOMPARE(exits, 1);
}

void TestControls::dispatcherAbsorbsAbortAndShowsOtherErrorsOnce()
{
    bool after = false;
    Dispatcher::run([&] {
        Consiste::MensErro(QStringLiteral("Empresa deve ser informada"), true);
        after = true;
    });
    QVERIFY(!after);
    QCOMPARE(m_shown, QStringList{QStringLiteral("Empresa deve ser informada")});

    m_shown.clear();
    Dispatcher::run([] { throw EDatabaseError(QStringLiteral("conexão perdida")); });
    Dispatcher::run([] { throw std::runtime_error("falha"); });
    QCOMPARE(m_shown, (QStringList{QStringLiteral("conexão perdida"), QStringLiteral("falha")}));
    QVERIFY(!Dispatcher::handlerRunning());
}

void TestControls::abortOfANestedHandlerTravelsToItsCaller()
{
    QWidget parent;
    auto* radio = new TRadioButton(&parent);
    radio->OnClick = [](TObject*) { Consiste::MensErro(QStringLiteral("pare"), true); };
    bool rest = false;
    Dispatcher::run([&] {
        radio->SetChecked(true);
        rest = true;
    });
    QVERIFY(!rest);
    QCOMPARE(m_shown, QStringList{QStringLiteral("pare")});
}

void TestControls::keyDownCarriesVirtualKeyAndShift_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("virtualKey");
    QTest::addColumn<int>("shift");
    QTest::newRow("F9") << int(Qt::Key_F9) << int(Qt::NoModifier) << 120 << 0;
    QTest::newRow("Shift+F9") << int(Qt::Key_F9) << int(Qt::ShiftModifier) << 120 << int(ssShift);
    QTest::newRow("Ctrl+Alt+F9") << int(Qt::Key_F9) << int(Qt::ControlModifier | Qt::AltModifier)
                                 << 120 << int(ssCtrl | ssAlt);
    QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << 13 << 0;
    QTest::newRow("letter") << int(Qt::Key_A) << int(Qt::NoModifier) << 65 << 0;
}

void TestControls::keyDownCarriesVirtualKeyAndShift()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, virtualKey);
    QFETCH(int, shift);
    TRadioButton radio;
    int gotKey = -1;
    int gotShift = -1;
    radio.OnKeyDown = [&](TObject*, quint16& k, TShiftState s) {
        gotKey = k;
        gotShift = static_cast<int>(s);
    };
    QTest::keyClick(&radio, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(gotKey, virtualKey);
    QCOMPARE(gotShift, shift);
}

void TestControls::dateEditTextDateAndValidity_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("date");
    QTest::addColumn<bool>("valid");
    QTest::newRow("blank") << QString() << QString() << 0.0 << true;
    QTest::newRow("date") << "15032026"
                          << "15/03/2026" << 46096.0 << true;
    QTest::newRow("typed with separators") << "15/03/2026"
                                           << "15/03/2026" << 46096.0 << true;
    QTest::newRow("impossible") << "31022026"
                                << "31/02/2026" << 0.0 << false;
    QTest::newRow("partial") << "1503"
                             << "15/03/" << 0.0 << false;
    QTest::newRow("letters refused") << "ab15"
                                     << "15//" << 0.0 << false;
}

void TestControls::dateEditTextDateAndValidity()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(double, date);
    QFETCH(bool, valid);
    TDateEditPlus edit;
    edit.home(false);
    QTest::keyClicks(&edit, typed);
    QCOMPARE(edit.GetText(), text);
    QCOMPARE(edit.GetDate(), date);
    QCOMPARE(edit.IsDateValid(), valid);
    edit.CheckValidDate(); // marks, never throws
    if (date != 0.0) {
        TDateEditPlus copy;
        copy.SetDate(date);
        QCOMPARE(copy.GetText(), text);
    }
}

void TestControls::dateEditCalendarUsesWeekdayNames()
{
    QWidget window;
    auto* edit = new TDateEditPlus(&window);
    const QStringList names{QStringLiteral("Domingo"), QStringLiteral("Segunda"),
                            QStringLiteral("Terça"),   QStringLiteral("Quarta"),
                            QStringLiteral("Quinta"),  QStringLiteral("Sexta"),
                            QStringLiteral("Sábado")};
    edit->SetNomeSemana(names);
    edit->SetDate(46096.0);
    window.show();
    edit->DropDown();
    auto* popup = edit->findChild<QWidget*>(QStringLiteral("calendarPopup"));
    QVERIFY(popup);
    QCOMPARE(popup->findChild<QWidget*>(QStringLiteral("weekday0"))->toolTip(), names.at(0));
    QCOMPARE(popup->findChild<QWidget*>(QStringLiteral("weekday6"))->toolTip(), names.at(6));
    // The row of weekdays lies between the month's bar and the days.
    auto* bar = popup->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
    auto* days = popup->findChild<QWidget*>(QStringLiteral("qt_calendar_calendarview"));
    auto* weekday = popup->findChild<QWidget*>(QStringLiteral("weekday0"));
    QVERIFY(bar && days);
    const int weekdayTop = weekday->mapTo(popup, QPoint()).y();
    QVERIFY(weekdayTop >= bar->mapTo(popup, QPoint(0, bar->height())).y());
    QVERIFY(weekdayTop + weekday->height() <= days->mapTo(popup, QPoint()).y());
    popup->close();
}

void TestControls::disabledDateEditLooksDisabled()
{
    TDateEditPlus edit;
    edit.SetBackground(Colors::fromName(QStringLiteral("clInfoBk")));
    edit.SetDate(46096.0); // a valid date: the valid-date colour, blue
    QCOMPARE(edit.palette().color(QPalette::Base), Colors::fromName(QStringLiteral("clInfoBk")));
    QCOMPARE(edit.palette().color(QPalette::Text), QColor(Qt::blue));
    edit.setEnabled(false);
    const QPalette plain = TDateEditPlus().palette();
    QCOMPARE(edit.palette().color(QPalette::Base), plain.color(QPalette::Disabled, QPalette::Base));
    QCOMPARE(edit.palette().color(QPalette::Text), plain.color(QPalette::Disabled, QPalette::Text));
}

void TestControls::messageTableLookup()
{
    TMessages messages;
    messages.SetLines({QStringLiteral("Conta Corrente|Conta Corrente | Não há conta."),
                       QStringLiteral("Arq_Rel_Err|Código '%s' no diretório '%s'.")});
    QCOMPARE(messages.Msg(QStringLiteral("Conta Corrente")),
             QStringLiteral("Conta Corrente | Não há conta."));
    QCOMPARE(messages.Msg(QStringLiteral("DtIni_inv")), QStringLiteral("Data inicial inválida."));
    const QString unknown = messages.Msg(QStringLiteral("Chave_X"));
    QVERIFY(unknown.contains(QStringLiteral("Chave_X")));
    QCOMPARE(TMessages::Format(messages.Msg(QStringLiteral("Arq_Rel_Err")),
                               {QStringLiteral("KLX473"), QStringLiteral("/r")}),
             QStringLiteral("Código 'KLX473' no diretório '/r'."));
    QCOMPARE(TMessages::Format(QStringLiteral("sem marcas"), {QStringLiteral("x")}),
             QStringLiteral("sem marcas"));
}

void TestControls::emptinessAndAdjustment_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QString>("adjusted");
    QTest::newRow("empty") << QString() << true << QString();
    QTest::newRow("blanks") << "   " << true << QString();
    QTest::newRow("short") << "12" << false << "000012";
    QTest::newRow("full") << "123456" << false << "123456";
    QTest::newRow("blank padded") << "12    " << false << "000012";
}

void TestControls::emptinessAndAdjustment()
{
    QFETCH(QString, text);
    QFETCH(bool, empty);
    QFETCH(QString, adjusted);
    QCOMPARE(Consiste::EmptyString(text), empty);
    QCOMPARE(Consiste::Ajusta(text, 6), adjusted);
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"

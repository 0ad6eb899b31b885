// Typing into the masked edits as a user does: where a click puts the cursor, what Tab
// selects, dates typed with one-digit days and months, and the calendar, which opens on
// the processing date and speaks Portuguese.
#include "ScreenHost.h"
#include "base/Localization.h"
#include "controls/TDateEditPlus.h"
#include "controls/TMaskEdit.h"
#include "form/EnterAsTab.h"

#include <QCalendarWidget>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// A window with a check-number edit and two date edits, shown and active.
struct Fields {
    QWidget window;
    TMaskEdit* number = new TMaskEdit(&window);
    TDateEditPlus* first = new TDateEditPlus(&window);
    TDateEditPlus* second = new TDateEditPlus(&window);

    Fields()
    {
        number->SetEditMask(QStringLiteral("999999;0; "));
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* field : {static_cast<QWidget*>(number), static_cast<QWidget*>(first),
                               static_cast<QWidget*>(second)}) {
            field->setFixedSize(100, 21);
            layout->addWidget(field);
        }
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

// The calendar the edit shows, or nullptr when closed.
QCalendarWidget* openCalendar(TDateEditPlus* edit)
{
    auto* popup = edit->findChild<QWidget*>(QStringLiteral("calendarPopup"));
    return popup && popup->isVisible() ? popup->findChild<QCalendarWidget*>() : nullptr;
}
} // namespace

class TestTyping : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(Localization::install()); }
    void clickIntoAnEmptyFieldStartsAtItsFirstPosition();
    void clickPastWhatIsTypedGoesOnFromThere();
    void tabSelectsTheWholeTextAndTypingReplacesIt();
    void datesTypedInEveryForm_data();
    void datesTypedInEveryForm();
    void pastedDatesInEveryForm_data();
    void pastedDatesInEveryForm();
    void enterGoesToTheNextFieldWhenTheOptionIsOn();
    void f4OpensTheCalendarCtrlF4DoesNot();
    void emptyDateCalendarOpensOnTheProcessingDateInPortuguese();
    void qtTextsAndNumbersInPortuguese();
    void onlyAsciiDigitsEnterADigitPosition_data();
    void onlyAsciiDigitsEnterADigitPosition();
};

void TestTyping::clickIntoAnEmptyFieldStartsAtItsFirstPosition()
{
    Fields fields;
    QTest::mouseClick(fields.number, Qt::LeftButton, Qt::NoModifier, QPoint(80, 10));
    QCOMPARE(fields.number->cursorPosition(), 0);
    QTest::keyClicks(fields.number, QStringLiteral("34"));
    QCOMPARE(fields.number->GetText(), QStringLiteral("34"));

    QTest::mouseClick(fields.first, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
    QCOMPARE(fields.first->cursorPosition(), 0);
    QTest::keyClicks(fields.first, QStringLiteral("01032026"));
    QCOMPARE(fields.first->GetText(), QStringLiteral("01/03/2026"));
}

void TestTyping::clickPastWhatIsTypedGoesOnFromThere()
{
    Fields fields;
    fields.first->setFocus();
    QTest::keyClicks(fields.first, QStringLiteral("15"));
    QTest::mouseClick(fields.first, Qt::LeftButton, Qt::NoModifier, QPoint(80, 10));
    QCOMPARE(fields.first->cursorPosition(), 3); // after "15/", the first blank
    QTest::keyClicks(fields.first, QStringLiteral("032026"));
    QCOMPARE(fields.first->GetText(), QStringLiteral("15/03/2026"));
    // A full date keeps the cursor where the click puts it.
    QTest::mouseClick(fields.first, Qt::LeftButton, Qt::NoModifier, QPoint(3, 10));
    QCOMPARE(fields.first->cursorPosition(), 0);
}

void TestTyping::tabSelectsTheWholeTextAndTypingReplacesIt()
{
    Fields fields;
    fields.first->SetText(QStringLiteral("11/12/2025"));
    fields.second->SetText(QStringLiteral("20/12/2025"));
    fields.first->setFocus();
    QTest::keyClick(fields.first, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), fields.second);
    QCOMPARE(fields.second->selectedText(), fields.second->displayText());
    QTest::keyClicks(fields.second, QStringLiteral("1/2/2026"));
    QCOMPARE(fields.second->GetText(), QStringLiteral("01/02/2026"));
}

void TestTyping::datesTypedInEveryForm_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::newRow("both short") << "1/2/2026"
                                << "01/02/2026";
    QTest::newRow("short month") << "15/3/2026"
                                 << "15/03/2026";
    QTest::newRow("short day") << "5/11/2026"
                               << "05/11/2026";
    QTest::newRow("full, slashes typed") << "01/02/2026"
                                         << "01/02/2026";
    QTest::newRow("full, no slashes") << "01022026"
                                      << "01/02/2026";
    // Completed when the field is left, as a pasted text is read.
    QTest::newRow("short year") << "5/3/26"
                                << "05/03/2026";
    QTest::newRow("short year, full day") << "05/03/26"
                                          << "05/03/2026";
    QTest::newRow("ISO") << "2026-03-05"
                         << "05/03/2026";
    QTest::newRow("hoje") << "hoje" << QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
}

void TestTyping::datesTypedInEveryForm()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    Fields fields;
    fields.first->SetText(QStringLiteral("11/12/2025"));
    fields.first->setFocus();
    QTest::keyClicks(fields.first, typed);
    QTest::keyClick(fields.first, Qt::Key_Tab);
    QCOMPARE(fields.first->GetText(), text);
    QVERIFY(fields.first->IsDateValid());
}

void TestTyping::pastedDatesInEveryForm_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("text");
    QTest::newRow("d/m/yyyy") << "1/3/2026"
                              << "01/03/2026";
    QTest::newRow("ISO") << "2026-03-05"
                         << "05/03/2026";
    QTest::newRow("short year") << "5/3/26"
                                << "05/03/2026";
    QTest::newRow("with blanks and a line end") << " 05/03/2026\n"
                                                << "05/03/2026";
    QTest::newRow("hoje") << "hoje" << QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    // Digits alone go to the mask as typed.
    QTest::newRow("digits") << "05032026"
                            << "05/03/2026";
}

void TestTyping::pastedDatesInEveryForm()
{
    QFETCH(QString, pasted);
    QFETCH(QString, text);
    Fields fields;
    fields.first->SetText(QStringLiteral("11/12/2025"));
    fields.first->setFocus();
    fields.first->selectAll();
    QGuiApplication::clipboard()->setText(pasted);
    QTest::keyClick(fields.first, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(fields.first->GetText(), text);
    QVERIFY(fields.first->IsDateValid());
}

void TestTyping::enterGoesToTheNextFieldWhenTheOptionIsOn()
{
    Fields fields;
    EnterAsTab::watch(&fields.window);
    fields.second->SetText(QStringLiteral("20/12/2025"));
    fields.first->setFocus();
    QTest::keyClick(fields.first, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), fields.first); // off by default
    EnterAsTab::setEnabled(true);
    QTest::keyClick(fields.first, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), fields.first);
    QTest::keyClick(fields.first, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(QApplication::focusWidget(), fields.second);
    QCOMPARE(fields.second->selectedText(), fields.second->displayText());
    EnterAsTab::setEnabled(false);
}

void TestTyping::f4OpensTheCalendarCtrlF4DoesNot()
{
    Fields fields;
    fields.first->setFocus();
    QTest::keyClick(fields.first, Qt::Key_F4, Qt::ControlModifier);
    QVERIFY(!openCalendar(fields.first));
    QTest::keyClick(fields.first, Qt::Key_F4);
    QVERIFY(openCalendar(fields.first));
    openCalendar(fields.first)->window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::keyClick(fields.first, Qt::Key_Down, Qt::AltModifier);
    QVERIFY(openCalendar(fields.first));
}

void TestTyping::emptyDateCalendarOpensOnTheProcessingDateInPortuguese()
{
    ScreenHost host; // the demo database: branch 01 processes on 15/03/2026
    Fields fields;
    fields.first->DropDown();
    QCalendarWidget* calendar = openCalendar(fields.first);
    QCOMPARE(calendar->selectedDate(), QDate(2026, 3, 15));
    auto* month = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    QVERIFY(month);
    QCOMPARE(month->text(), QStringLiteral("março"));
    // A date in the edit wins over the processing date.
    fields.second->SetText(QStringLiteral("02/01/2025"));
    fields.second->DropDown();
    QCOMPARE(openCalendar(fields.second)->selectedDate(), QDate(2025, 1, 2));
}

void TestTyping::qtTextsAndNumbersInPortuguese()
{
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancelar"));
    QCOMPARE(QLocale().toString(1234.5, 'f', 2), QStringLiteral("1.234,50"));
    QCOMPARE(QLocale().toString(QDate(2026, 3, 1), QLocale::ShortFormat),
             QStringLiteral("01/03/2026"));
}

void TestTyping::onlyAsciiDigitsEnterADigitPosition_data()
{
    // Qt's masks take any Unicode number for a digit; AltGr+2 on a Brazilian keyboard types
    // a superscript two, which would then reach the report as part of a check number.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("date");
    QTest::newRow("superscripts") << QStringLiteral("1\u00b23\u00b9") << QStringLiteral("13")
                                  << QStringLiteral("13/__/____");
    QTest::newRow("arabic-indic") << QStringLiteral("\u0663\u00bd4") << QStringLiteral("4")
                                  << QStringLiteral("4_/__/____");
    QTest::newRow("fullwidth") << QStringLiteral("\uff125") << QStringLiteral("5")
                               << QStringLiteral("5_/__/____");
}

void TestTyping::onlyAsciiDigitsEnterADigitPosition()
{
    QFETCH(QString, typed);
    QFETCH(QString, number);
    QFETCH(QString, date);
    Fields fields;
    for (QLineEdit* edit :
         {static_cast<QLineEdit*>(fields.number), static_cast<QLineEdit*>(fields.first)}) {
        edit->setFocus(Qt::TabFocusReason);
        for (const QChar c : typed) {
            // Key events as a keyboard layout sends them: no Qt key code, only the text.
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(edit, &press);
        }
    }
    QCOMPARE(fields.number->GetText(), number);
    QCOMPARE(fields.first->displayText(), date);

    // Pasted or committed by an input method, the same characters are refused as well.
    fields.number->clear();
    fields.number->setFocus(Qt::TabFocusReason);
    fields.number->insert(typed);
    QCOMPARE(fields.number->GetText(), QString());
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("7\u00b2"));
    QCoreApplication::sendEvent(fields.number, &commit);
    QCOMPARE(fields.number->GetText(), QString());
}

QTEST_MAIN(TestTyping)
#include "tst_typing.moc"

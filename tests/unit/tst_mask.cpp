#include "base/Mask.h"

#include <QLineEdit>
#include <QTest>

namespace {

// Adds a data row whose columns are all strings.
void addRow(const char* name, std::initializer_list<QString> columns)
{
    QTestData& row = QTest::newRow(name);
    for (const QString& column : columns)
        row << column;
}

} // namespace

class TestMask : public QObject {
    Q_OBJECT

private slots:
    void toQtInputMask_data();
    void toQtInputMask();
    void textFromDisplay_data();
    void textFromDisplay();
    void formatMaskText_data();
    void formatMaskText();
    void lineEditTakesOnlySixDigits();
};

void TestMask::toQtInputMask_data()
{
    QTest::addColumn<QString>("classic");
    QTest::addColumn<QString>("qt");
    addRow("optional digits", {"999999;0; ", "000000; "});
    addRow("required digits", {"000000;1;_", "999999;_"});
    addRow("letters alnum any", {"LlAaCc;0;_", "AaNnXx;_"});
    addRow("sign", {"#99", "#00;_"});
    addRow("right aligned date", {"!99/99/0000;1;_", "00/00/9999;_"});
    addRow("time", {"99:99", "00:00;_"});
    addRow("case shifts", {">LL<ll<>CC", ">AA<aa!XX;_"});
    addRow("escaped literals", {"\\9\\-99", "\\9-00;_"});
    addRow("qt reserved", {"[99]{9}", "\\[00\\]\\{0\\};_"});
    addRow("qt mask letters", {"N9XdH", "\\N0\\X\\d\\H;_"});
    addRow("pattern blank", {"99_99", "00 00;_"});
    addRow("literal semicolon", {"9\\;9", "0 0;_"});
    addRow("empty pattern", {";0; ", ""});
}

void TestMask::toQtInputMask()
{
    QFETCH(QString, classic);
    QTEST(Mask::toQtInputMask(classic), "qt");

    // Qt must show one character per classic position, each literal in its place, since
    // textFromDisplay reads the display text by position.
    QLineEdit edit;
    edit.setInputMask(Mask::toQtInputMask(classic));
    const Mask::EditMask parsed = Mask::parse(classic);
    QCOMPARE(edit.displayText().size(), parsed.positions.size());
    for (int i = 0; i < parsed.positions.size(); ++i) {
        if (!parsed.positions[i].isInput() && parsed.positions[i].literal != QLatin1Char(';'))
            QCOMPARE(edit.displayText()[i], parsed.positions[i].literal);
    }
}

void TestMask::textFromDisplay_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("text");
    addRow("partial", {"999999;0; ", "12    ", "12"});
    addRow("all blank", {"999999;0; ", "      ", ""});
    addRow("empty display", {"999999;0; ", "", ""});
    addRow("literals saved", {"99/99/9999;1;_", "12/__/____", "12//"});
    addRow("saved literals alone", {"99/99/9999;1;_", "__/__/____", ""});
    addRow("literals dropped", {"99/99/9999;0;_", "12/05/2026", "12052026"});
    addRow("right aligned", {"!999999;0; ", "    12", "12"});
    addRow("empty pattern", {";0; ", "abc", "abc"});
}

void TestMask::textFromDisplay()
{
    QFETCH(QString, mask);
    QFETCH(QString, display);
    QTEST(Mask::textFromDisplay(mask, display), "text");
}

void TestMask::formatMaskText_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    addRow("agency", {"9999-9;0; ", "12345", "1234-5"});
    addRow("short value", {"9999-9;0; ", "123", "123 - "});
    addRow("empty value", {"9999-9;0; ", "", "    - "});
    addRow("long value kept", {"9999-9;0; ", "1234567", "1234-567"});
    addRow("two literals", {"99.999-9;0; ", "123", "12.3  - "});
    addRow("default blank", {"000000;0", "12", "12____"});
    addRow("empty pattern", {";0; ", "12345", "12345"});
    addRow("letters", {"LL-0;0;_", "ab1", "ab-1"});
    addRow("alnum and any", {"AAcc;0;_", "a1", "a1__"});
    addRow("case shifts", {">LL<ll;0;_", "abCD", "ABcd"});
    addRow("case off", {">L<>L;0;_", "ab", "Ab"});
    addRow("extra keeps case", {">LL;0;_", "abc", "ABC"});
    addRow("escaped literals", {"\\9\\-99;0;_", "12", "9-12"});
    addRow("pattern blank", {"99_99;0;_", "1234", "12 34"});
    addRow("right aligned", {"!9999-9;0; ", "123", "  12-3"});
    addRow("right aligned long", {"!9999-9;0; ", "1234567", "1234-567"});
    addRow("saved literals", {"9999-9;1; ", "1234-5", "1234-5"});
    addRow("saved literal missing", {"9999-9;1; ", "12345", "1234-5"});
    addRow("saved empty fields", {"99/99/9999;1;_", "12//", "12/__/____"});
    addRow("saved right aligned", {"!99/99;1;_", "1/23", "_1/23"});
    addRow("escaped separator", {"\\;9;0;*", "", ";*"});
    addRow("separator as blank", {"!99;0;;", "1", ";1"});
}

void TestMask::formatMaskText()
{
    QFETCH(QString, mask);
    QFETCH(QString, value);
    QTEST(Mask::FormatMaskText(mask, value), "text");
}

void TestMask::lineEditTakesOnlySixDigits()
{
    QLineEdit edit;
    edit.setInputMask(Mask::toQtInputMask("999999;0; "));
    QTest::keyClicks(&edit, "1a2b3c");
    QCOMPARE(edit.displayText(), QStringLiteral("123   "));
    QTest::keyClicks(&edit, "4567");
    QCOMPARE(edit.displayText(), QStringLiteral("123456"));
    QCOMPARE(Mask::textFromDisplay("999999;0; ", edit.displayText()), QStringLiteral("123456"));
}

QTEST_MAIN(TestMask)
#include "tst_mask.moc"

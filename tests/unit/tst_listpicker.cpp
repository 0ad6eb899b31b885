// The list picker's real dialog, driven as a user drives it.
#include "controls/ListPickerDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace {
Pesqlista::Request accounts(const QStringList& marked = {})
{
    Pesqlista::Request request;
    request.title = QStringLiteral("Conta Corrente | Não há conta corrente cadastrada para a empresa informada.");
    request.keyField = QStringLiteral("CDREDUCONT");
    request.table.columns = {QStringLiteral("Código"), QStringLiteral("Descrição")};
    request.table.keys = {QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("005")};
    request.table.cells = {{QStringLiteral("001"), QStringLiteral("Movimento Aurora")},
                           {QStringLiteral("002"), QStringLiteral("Cobrança Meridiano")},
                           {QStringLiteral("005"), QStringLiteral("Folha Planalto")}};
    request.marked = marked;
    return request;
}

QTableWidget* rows(ListPickerDialog& dialog)
{
    return dialog.findChild<QTableWidget*>(QStringLiteral("rows"));
}

void clickRow(QTableWidget* table, int row)
{
    const QRect cell = table->visualItemRect(table->item(row, 1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}
} // namespace

class TestListPicker : public QObject {
    Q_OBJECT

private slots:
    void showsTitleColumnsAndMarksCurrentCodes();
    void marksWithMouseSpaceAndSelectAll();
    void typingFindsARow();
    void enterConfirmsEscapeCancels();
    void emptyListExplainsWhy();
};

void TestListPicker::showsTitleColumnsAndMarksCurrentCodes()
{
    ListPickerDialog dialog(accounts({QStringLiteral("005")}));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Conta Corrente"));
    QTableWidget* table = rows(dialog);
    QCOMPARE(table->columnCount(), 2);
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Descrição"));
    QCOMPARE(table->item(1, 1)->text(), QStringLiteral("Cobrança Meridiano"));
    QCOMPARE(dialog.markedKeys(), QStringList{QStringLiteral("005")});
}

void TestListPicker::marksWithMouseSpaceAndSelectAll()
{
    ListPickerDialog dialog(accounts());
    dialog.show();
    QTableWidget* table = rows(dialog);
    clickRow(table, 2);
    clickRow(table, 0);
    QCOMPARE(dialog.markedKeys(), (QStringList{QStringLiteral("001"), QStringLiteral("005")}));
    clickRow(table, 2); // a second click unmarks
    QCOMPARE(dialog.markedKeys(), QStringList{QStringLiteral("001")});
    table->setCurrentCell(1, 0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(table, Qt::Key_Space);
    QCOMPARE(dialog.markedKeys(), (QStringList{QStringLiteral("001"), QStringLiteral("002")}));
    QTest::keyClick(table, Qt::Key_Space);
    QCOMPARE(dialog.markedKeys(), QStringList{QStringLiteral("001")});
    QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(dialog.markedKeys().size(), 3);
}

void TestListPicker::typingFindsARow()
{
    ListPickerDialog dialog(accounts());
    dialog.show();
    QTableWidget* table = rows(dialog);
    table->setFocus();
    QTest::keyClicks(table, QStringLiteral("folha"));
    QCOMPARE(table->currentRow(), 2);
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("search"))->text(), QStringLiteral("folha"));
    QVERIFY(dialog.markedKeys().isEmpty()); // finding is not marking
}

void TestListPicker::enterConfirmsEscapeCancels()
{
    {
        ListPickerDialog dialog(accounts({QStringLiteral("002")}));
        dialog.show();
        QTest::keyClick(rows(dialog), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    {
        ListPickerDialog dialog(accounts());
        dialog.show();
        QTest::keyClick(rows(dialog), Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
}

void TestListPicker::emptyListExplainsWhy()
{
    Pesqlista::Request request = accounts();
    request.table.keys.clear();
    request.table.cells.clear();
    ListPickerDialog dialog(request);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Conta Corrente"));
    auto* explanation = dialog.findChild<QLabel*>(QStringLiteral("emptyExplanation"));
    QVERIFY(explanation);
    QCOMPARE(explanation->text(), QStringLiteral("Não há conta corrente cadastrada para a empresa informada."));
    QVERIFY(dialog.markedKeys().isEmpty());
}

QTEST_MAIN(TestListPicker)
#include "tst_listpicker.moc"

// The list picker's real dialog, driven as a user drives it.
#include "controls/ListPickerDialog.h"
#include "controls/Pesqlista.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace {
Pesqlista::Request accounts(const QStringList& marked = {})
{
    Pesqlista::Request request;
    request.title = QStringLiteral(
        "Conta Corrente | Não há conta corrente cadastrada para a empresa informada.");
    request.keyField = QStringLiteral("CDREDUCONT");
    request.table.columns = {QStringLiteral("Código"), QStringLiteral("Descrição")};
    request.table.keys = {QStringLiteral("001"), QStringLiteral("002"), QStringLiteral("005")};
    request.table.cells = {{QStringLiteral("001"), QStringLiteral("Movimento Aurora")},
                           {QStringLiteral("002"), QStringLiteral("Cobrança Meridiano")},
                           {QStringLiteral("005"), QStringLiteral("Folha Planalto")}};
    request.marked = marked;
    return request;
}

QTableView* rows(ListPickerDialog& dialog)
{
    return dialog.findChild<QTableView*>(QStringLiteral("rows"));
}

QLineEdit* search(ListPickerDialog& dialog)
{
    return dialog.findChild<QLineEdit*>(QStringLiteral("search"));
}

// The codes of the rows in view, in order.
QStringList shownCodes(ListPickerDialog& dialog)
{
    const QAbstractItemModel* model = rows(dialog)->model();
    QStringList codes;
    for (int row = 0; row < model->rowCount(); ++row)
        codes << model->index(row, 0).data().toString();
    return codes;
}

void clickRow(QTableView* table, int row)
{
    const QRect cell = table->visualRect(table->model()->index(row, 1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}
} // namespace

class TestListPicker : public QObject {
    Q_OBJECT

private slots:
    void showsTitleColumnsAndMarksCurrentCodes();
    void marksWithMouseSpaceAndSelectAll();
    void typingFiltersByCodeOrNameWithoutAccents();
    void marksSurviveFilters();
    void nothingMatchingSaysSo();
    void enterConfirmsEscapeCancels();
    void emptyListExplainsWhy();
    void longListReopensWithEveryMarkShown();
    void codesAskedByValueMarkTheirRows_data();
    void codesAskedByValueMarkTheirRows();
};

void TestListPicker::showsTitleColumnsAndMarksCurrentCodes()
{
    ListPickerDialog dialog(accounts({QStringLiteral("005")}));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Conta Corrente"));
    QTableView* table = rows(dialog);
    QCOMPARE(table->model()->columnCount(), 2);
    QCOMPARE(table->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Descrição"));
    QCOMPARE(table->model()->index(1, 1).data().toString(), QStringLiteral("Cobrança Meridiano"));
    QCOMPARE(dialog.markedKeys(), QStringList{QStringLiteral("005")});
    QVERIFY(table->selectionModel()->isRowSelected(2, QModelIndex()));
    QVERIFY(!table->selectionModel()->isRowSelected(0, QModelIndex()));
}

void TestListPicker::marksWithMouseSpaceAndSelectAll()
{
    ListPickerDialog dialog(accounts());
    dialog.show();
    QTableView* table = rows(dialog);
    clickRow(table, 2);
    clickRow(table, 0);
    QCOMPARE(dialog.markedKeys(), (QStringList{QStringLiteral("001"), QStringLiteral("005")}));
    clickRow(table, 2); // a second click unmarks
    QCOMPARE(dialog.markedKeys(), QStringList{QStringLiteral("001")});
    table->selectionModel()->setCurrentIndex(table->model()->index(1, 0),
                                             QItemSelectionModel::NoUpdate);
    QTest::keyClick(table, Qt::Key_Space);
    QCOMPARE(dialog.markedKeys(), (QStringList{QStringLiteral("001"), QStringLiteral("002")}));
    QTest::keyClick(table, Qt::Key_Space);
    QCOMPARE(dialog.markedKeys(), QStringList{QStringLiteral("001")});
    QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(dialog.markedCount(), 3);
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("markedCount"))
                ->text()
                .startsWith(QStringLiteral("3 de 3")));
}

void TestListPicker::typingFiltersByCodeOrNameWithoutAccents()
{
    ListPickerDialog dialog(accounts());
    dialog.show();
    QTableView* table = rows(dialog);
    table->setFocus();
    QTest::keyClicks(table, QStringLiteral("cobranca")); // typed over the list, no cedilla
    QCOMPARE(search(dialog)->text(), QStringLiteral("cobranca"));
    QCOMPARE(shownCodes(dialog), QStringList{QStringLiteral("002")});
    search(dialog)->setText(QStringLiteral("PLANALTO"));
    QCOMPARE(shownCodes(dialog), QStringList{QStringLiteral("005")});
    search(dialog)->setText(QStringLiteral("00"));
    QCOMPARE(shownCodes(dialog).size(), 3);
    search(dialog)->setText(QStringLiteral("005"));
    QCOMPARE(shownCodes(dialog), QStringList{QStringLiteral("005")});
    QVERIFY(dialog.markedKeys().isEmpty()); // finding is not marking
}

void TestListPicker::marksSurviveFilters()
{
    ListPickerDialog dialog(accounts({QStringLiteral("001")}));
    dialog.show();
    QTableView* table = rows(dialog);
    search(dialog)->setText(QStringLiteral("folha"));
    clickRow(table, 0);                                     // marks 005, the one row in view
    QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier); // marks what is in view only
    QCOMPARE(dialog.markedKeys(), (QStringList{QStringLiteral("001"), QStringLiteral("005")}));
    search(dialog)->clear();
    QCOMPARE(shownCodes(dialog).size(), 3);
    QVERIFY(table->selectionModel()->isRowSelected(0, QModelIndex()));
    QVERIFY(!table->selectionModel()->isRowSelected(1, QModelIndex()));
    QVERIFY(table->selectionModel()->isRowSelected(2, QModelIndex()));
    QCOMPARE(dialog.markedCount(), 2);
}

void TestListPicker::nothingMatchingSaysSo()
{
    ListPickerDialog dialog(accounts({QStringLiteral("002")}));
    dialog.show();
    auto* none = dialog.findChild<QLabel*>(QStringLiteral("noResults"));
    QVERIFY(none->isHidden());
    search(dialog)->setText(QStringLiteral("xyz"));
    QVERIFY(shownCodes(dialog).isEmpty());
    QVERIFY(!none->isHidden());
    QCOMPARE(none->text(), QStringLiteral("nenhum resultado"));
    QCOMPARE(dialog.markedKeys(), QStringList{QStringLiteral("002")});
    search(dialog)->clear();
    QVERIFY(none->isHidden());
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
    {
        ListPickerDialog dialog(accounts());
        dialog.show();
        search(dialog)->setFocus();
        QTest::keyClicks(search(dialog), QStringLiteral("folha"));
        QTest::keyClick(search(dialog), Qt::Key_Return); // from the search box too
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    {
        ListPickerDialog dialog(accounts());
        dialog.show();
        search(dialog)->setFocus();
        QTest::keyClicks(search(dialog), QStringLiteral("folha"));
        QTest::keyClick(search(dialog), Qt::Key_Escape);
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
    QCOMPARE(explanation->text(),
             QStringLiteral("Não há conta corrente cadastrada para a empresa informada."));
    QVERIFY(dialog.markedKeys().isEmpty());
}

void TestListPicker::longListReopensWithEveryMarkShown()
{
    // Every other row marked: the view shows each mark, the count is right, and a
    // search and its clearing keep them.
    Pesqlista::Request request = accounts();
    request.table.keys.clear();
    request.table.cells.clear();
    QStringList marked;
    for (int i = 0; i < 10000; ++i) {
        const QString code = QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
        request.table.keys << code;
        request.table.cells << QStringList{code, QStringLiteral("Conta %1").arg(i)};
        if (i % 2 == 0)
            marked << code;
    }
    request.marked = marked;
    ListPickerDialog dialog(request);
    dialog.show();
    QCOMPARE(dialog.markedCount(), 5000);
    QTableView* table = rows(dialog);
    QVERIFY(table->selectionModel()->isRowSelected(9998, QModelIndex()));
    QVERIFY(!table->selectionModel()->isRowSelected(9999, QModelIndex()));
    search(dialog)->setText(QStringLiteral("conta 99"));
    QCOMPARE(shownCodes(dialog).size(), 111);
    search(dialog)->clear();
    QCOMPARE(dialog.markedKeys(), marked);
}

// A scripted answer (a saved set, klx report, a scenario) marks the rows of the codes asked,
// by their value, and says which codes no row offers.
void TestListPicker::codesAskedByValueMarkTheirRows_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QStringList>("marked");
    QTest::addColumn<QStringList>("missing");
    QTest::newRow("in the list's order")
        << QStringList{"001", "002", "005"} << QStringList{"005", "001"}
        << QStringList{"001", "005"} << QStringList{};
    QTest::newRow("a padded key by its code")
        << QStringList{"1 ", "2 "} << QStringList{"1"} << QStringList{"1 "} << QStringList{};
    QTest::newRow("a code padded as stored")
        << QStringList{"1 ", "2 "} << QStringList{"2 "} << QStringList{"2 "} << QStringList{};
    QTest::newRow("codes not offered, each once")
        << QStringList{"001"} << QStringList{"001", "004", "004"} << QStringList{"001"}
        << QStringList{"004"};
    QTest::newRow("a code that only starts a key")
        << QStringList{"001", "010"} << QStringList{"01"} << QStringList{} << QStringList{"01"};
    QTest::newRow("nothing offered")
        << QStringList{} << QStringList{"001"} << QStringList{} << QStringList{"001"};
}

void TestListPicker::codesAskedByValueMarkTheirRows()
{
    QFETCH(QStringList, keys);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, marked);
    QFETCH(QStringList, missing);
    Pesqlista::Request request;
    request.table.keys = keys;
    const Pesqlista::Marking marking = Pesqlista::mark(request, codes);
    QCOMPARE(marking.marked, marked);
    QCOMPARE(marking.missing, missing);
}

QTEST_MAIN(TestListPicker)
#include "tst_listpicker.moc"

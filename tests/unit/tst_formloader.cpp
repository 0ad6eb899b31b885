// Form descriptions: properties applied in the order the description writes them, which
// QJsonObject's sorted keys would lose.
#include "controls/TComboBox.h"
#include "form/JsonKeyOrder.h"
#include "form/TForm.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A form built from one description file.
class DescribedForm : public TForm {
public:
    explicit DescribedForm(const QString& path) : m_path(path) {}

protected:
    QStringList descriptionResources() const override { return {m_path}; }

private:
    QString m_path;
};

} // namespace

class TestFormLoader : public QObject {
    Q_OBJECT

private slots:
    void keysComeInWrittenOrder()
    {
        const JsonKeyOrder order("{\"z\": 1, \"a\": {\"y\": [1, {\"q\": \"}\", \"p\": null}],"
                                 " \"b\": \"x\\\"y\"}, \"m\\u00e1\": true, \"a/b\": {\"k\": 0, "
                                 "\"j\": 1}, \"c\\td\": 2}");
        QCOMPARE(order.keys(""), QStringList({"z", "a", "m\u00e1", "a/b", "c\td"}));
        QCOMPARE(order.keys("/a"), QStringList({"y", "b"}));
        QCOMPARE(order.keys("/a/y/1"), QStringList({"q", "p"}));
        QCOMPARE(order.keys("/a~1b"), QStringList({"k", "j"}));
        QVERIFY(order.keys("/nothing").isEmpty());
    }

    // Keys are read as QJsonDocument reads them, so that each names a member it holds.
    void keysAsQtReadsThem()
    {
        // A byte order mark, and an escaped byte that is no UTF-8 (Qt reads it as Latin-1).
        const QByteArray json = "\xEF\xBB\xBF{\"b\": {\"z\": 1, \"y\": 2}, \"a\\\x9f\": 0}";
        const QJsonObject object = QJsonDocument::fromJson(json).object();
        QCOMPARE(object.size(), 2);
        const JsonKeyOrder order(json);
        const QStringList keys = order.keys("");
        QCOMPARE(keys.size(), 2);
        QCOMPARE(keys.first(), QStringLiteral("b"));
        QVERIFY(object.contains(keys.last()));
        QCOMPARE(order.keys("/b"), QStringList({"z", "y"}));
    }

    void propertiesApplyInWrittenOrder_data()
    {
        QTest::addColumn<QString>("properties");
        QTest::addColumn<int>("index");
        const QString items = "\"Items\": [\"Todos\", \"Compensado\"]";
        QTest::newRow("items, then no item") << items + ", \"ItemIndex\": -1" << -1;
        QTest::newRow("items, then the second")
            << "\"ItemIndex\": 0, " + items + ", \"ItemIndex\": 1" << 1;
        QTest::newRow("no item before the items are given") << "\"ItemIndex\": -1, " + items << 0;
    }
    void propertiesApplyInWrittenOrder()
    {
        QFETCH(QString, properties);
        QFETCH(int, index);
        QTemporaryDir dir;
        const QString path = dir.filePath("form.json");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral("{\"name\": \"frmTeste\", \"components\": [{\"name\": \"pan\", "
                           "\"class\": \"TPanel\", \"components\": [{\"name\": \"cbbTeste\", "
                           "\"class\": \"TComboBox\", \"properties\": {%1}}]}]}")
                .arg(properties)
                .toUtf8());
        file.close();
        DescribedForm form(path);
        form.Initialize();
        QCOMPARE(form.findChild<TComboBox*>("cbbTeste")->GetItemIndex(), index);
    }
};

QTEST_MAIN(TestFormLoader)
#include "tst_formloader.moc"

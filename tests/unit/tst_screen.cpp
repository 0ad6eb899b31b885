// What scenarios cannot see of the screen: the report event's flag, and the parameters a
// report query gets when it declares only some names.
#include "ScreenHost.h"
#include "base/TMessages.h"
#include "controls/TPopupMenu.h"
#include "controls/TSaveDialog.h"
#include "data/TParams.h"
#include "report/ui/TReportDesignerDialog.h"

#include <QAbstractButton>
#include <QTest>

class TestScreen : public QObject {
    Q_OBJECT

private slots:
    void bindingLeavesTheEventFlagAlone_data();
    void bindingLeavesTheEventFlagAlone();
    void bindingTouchesOnlyDeclaredNames();
    void saveMenuValidatesBeforeChoosingTheType();
    void messageTableHoldsTheScreensSeventeenKeys();
};

void TestScreen::bindingLeavesTheEventFlagAlone_data()
{
    QTest::addColumn<bool>("flag");
    QTest::newRow("false") << false;
    QTest::newRow("true") << true;
}

void TestScreen::bindingLeavesTheEventFlagAlone()
{
    QFETCH(bool, flag);
    ScreenHost host;
    host.open();
    auto* engine = host.form()->findChild<TReportDesignerDialog*>(QStringLiteral("rpddPadrao"));
    QVERIFY(engine && engine->BeforeGetQueryParams);
    TParams params({QStringLiteral("P_TSTATUS"), QStringLiteral("P_DTINI")});
    bool handled = flag;
    engine->BeforeGetQueryParams(&params, handled);
    QCOMPARE(handled, flag);
    QCOMPARE(params.ParamByName(QStringLiteral("P_TSTATUS"))->AsString(), QStringLiteral("TODOS"));
    QVERIFY(host.errors.isEmpty());
}

void TestScreen::bindingTouchesOnlyDeclaredNames()
{
    ScreenHost host;
    host.open();
    auto* engine = host.form()->findChild<TReportDesignerDialog*>(QStringLiteral("rpddPadrao"));
    TParams params({QStringLiteral("P_IDCOMPENSADO"), QStringLiteral("OUTRO")});
    bool handled = false;
    engine->BeforeGetQueryParams(&params, handled);
    QCOMPARE(params.Count(), 2);
    QCOMPARE(params.ParamByName(QStringLiteral("P_IDCOMPENSADO"))->kind(), TParam::Kind::Integer);
    QVERIFY(!params.ParamByName(QStringLiteral("OUTRO"))->isAssigned());
}

void TestScreen::saveMenuValidatesBeforeChoosingTheType()
{
    ScreenHost host;
    host.open();
    TForm* form = host.form();
    form->findChild<QAbstractButton*>(QStringLiteral("rdgLista"))->click();
    auto* menu = form->findChild<TPopupMenu*>(QStringLiteral("ppmSalvarRelatorio"));
    QCOMPARE(menu->actions().size(), 2);
    menu->actions().at(1)->trigger(); // "Salvar como CSV...": the screen's checks run first
    QCOMPARE(host.errors, QStringList{QStringLiteral("Empresa deve ser informada")});
    QCOMPARE(form->findChild<TSaveDialog*>(QStringLiteral("svdSaveReport"))->FilterIndex, 1);
}

void TestScreen::messageTableHoldsTheScreensSeventeenKeys()
{
    // Keys the screen asks for beyond these ("DtIni_inv", "DtFin_inv", "DtComp_inv") come
    // from the framework's standard texts, not from the screen's own table.
    ScreenHost host;
    host.open();
    auto* table = host.form()->findChild<TMessages*>(QStringLiteral("msgPadrao"));
    QVERIFY(table);
    QStringList keys;
    for (const QString& line : table->Lines())
        keys << line.section(QLatin1Char('|'), 0, 0);
    QCOMPARE(keys,
             (QStringList{"Arq_Rel_Err", "NovoCaption", "NovoPrompt", "Empresa", "Conta Corrente",
                          "DataIni_mai", "EmissaoIni_ni", "EmissaoFin_ni", "ChequeFin_ni",
                          "ChequeIni_ni", "Chequeini_mai", "Empresa_ni", "Conta_ni", "CheqFin_inf",
                          "CheqIni_inf", "Empresa_deve", "Status_ni"}));
    QCOMPARE(table->Msg(QStringLiteral("DtComp_inv")),
             QStringLiteral("Data de compensação inválida."));
}

QTEST_MAIN(TestScreen)
#include "tst_screen.moc"

// What scenarios cannot see of the screen: the report event's flag, the parameters a
// report query gets when it declares only some names, and the table the screen describes
// itself with to its host.
#include "ReportTestSupport.h"
#include "ScreenHost.h"
#include "base/Exceptions.h"
#include "base/TMessages.h"
#include "controls/TMaskEdit.h"
#include "controls/TPopupMenu.h"
#include "controls/TSaveDialog.h"
#include "data/TParams.h"
#include "form/ScreenDescription.h"
#include "report/ui/TReportDesignerDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

class TestScreen : public QObject {
    Q_OBJECT

private slots:
    void bindingLeavesTheEventFlagAlone_data();
    void bindingLeavesTheEventFlagAlone();
    void bindingTouchesOnlyDeclaredNames();
    void saveMenuValidatesBeforeChoosingTheType();
    void messageTableHoldsTheScreensSeventeenKeys();
    void descriptionNamesTheScreensOwnControlsAndVariables();
    void describedParametersAreThoseTheScreenAndReportsUse();
    void hostsAreToldWhatTheModuleLeavesOut();
    void retypingAfterAMessageReplacesTheField_data();
    void retypingAfterAMessageReplacesTheField();
};

void TestScreen::retypingAfterAMessageReplacesTheField_data()
{
    // What the user types, where, and how the screen is asked; the message; the field the
    // focus goes to, and what typing there gives.
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("preview"); // else the field is left with Tab
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("retyped");
    QTest::addColumn<QString>("text");

    QTest::newRow("emission range inverted")
        << "depEmissaoFin"
        << "28/02/2026" << false
        << "Data de emissão inicial deve ser menor ou igual a data de emissão final."
        << "depEmissaoIni"
        << "01/01/2026"
        << "01/01/2026";
    QTest::newRow("clearing date invalid")
        << "depCompensacaoIni"
        << "31/02/2026" << true << "Data de compensação inválida."
        << "depCompensacaoIni"
        << "01/02/2026"
        << "01/02/2026";
    QTest::newRow("final check number missing")
        << "medChequeIni"
        << "12" << true << "Cheque final deve ser informado."
        << "medChequeFin"
        << "99"
        << "99";
}

void TestScreen::retypingAfterAMessageReplacesTheField()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(bool, preview);
    QFETCH(QString, message);
    QFETCH(QString, target);
    QFETCH(QString, retyped);
    QFETCH(QString, text);
    ScreenHost host;
    host.open();
    auto* edit = host.form()->findChild<QLineEdit*>(field);
    edit->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(edit, typed);
    if (preview)
        QTest::keyClick(edit, Qt::Key_F5);
    else
        QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(host.errors, QStringList{message});
    auto* focused = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(focused);
    QCOMPARE(focused->objectName(), target);
    // The whole text is selected, as after Tab: typing replaces it.
    QCOMPARE(focused->selectedText(), focused->displayText());
    QTest::keyClicks(focused, retyped);
    QCOMPARE(static_cast<TMaskEdit*>(focused)->GetText(), text);
}

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

// Every control the table names is in the form built from the description, so that a
// control renamed on one side only fails here rather than for a user of the host.
void TestScreen::descriptionNamesTheScreensOwnControlsAndVariables()
{
    ScreenHost host;
    host.open();
    QVERIFY2(host.form(), qPrintable(host.errors.join(QLatin1Char('\n'))));
    const ScreenDescription screen = ScreenDescription::read(*host.module);
    QCOMPARE(host.form()->objectName(), screen.formName());
    QCOMPARE(screen.controls().size(), 22);
    for (const auto& [role, name] : screen.controls())
        QVERIFY2(host.form()->findChild<QWidget*>(name),
                 qPrintable(QStringLiteral("%1: %2").arg(role, name)));
    QCOMPARE(screen.variableNames(),
             (QStringList{"boStCriado", "boPrimVez", "inNumMarcado", "stStatusChq",
                          "stListaEmpresa", "stListaTEmp", "stListaConta"}));
    for (const ScreenDescription::Variable& variable : screen.variables())
        QVERIFY2(host.module->symbol(variable.name.toUtf8().constData()),
                 qPrintable(variable.name));
    // The opening flag went down with the first activation; the status list holds all three.
    const QString pending = screen.variableIn(ScreenRole::defaultsPending);
    QCOMPARE(ScreenDescription::valueText(*screen.variable(pending),
                                          host.module->symbol(pending.toUtf8().constData())),
             QStringLiteral("false"));
    QCOMPARE(ScreenDescription::valueText(*screen.variable(QStringLiteral("stStatusChq")),
                                          &host.variable<QString>("stStatusChq")),
             QStringLiteral("_0_1_2"));
    QCOMPARE(screen.variable(QStringLiteral("stListaConta"))->type, ScreenVariableAccountCodes);
}

// The names the table gives are those the screen binds (all of them on its defaults), and
// every shipped report asks only for those and the two the engine binds.
void TestScreen::describedParametersAreThoseTheScreenAndReportsUse()
{
    ScreenHost host;
    host.open();
    QVERIFY(host.form());
    const ScreenDescription screen = ScreenDescription::read(*host.module);
    QCOMPARE(screen.parameters().size(), 15);
    auto* engine = host.form()->findChild<TReportDesignerDialog*>(QStringLiteral("rpddPadrao"));
    const auto params =
        engine->BindParams(QStringList(screen.parameters()) << QStringLiteral("P_OUTRO"));
    for (const QString& name : screen.parameters())
        QVERIFY2(params->ParamByName(name)->isAssigned(), qPrintable(name));
    QVERIFY(!params->ParamByName(QStringLiteral("P_OUTRO"))->isAssigned());
    const QStringList bound = QStringList(screen.parameters())
                              << QStringLiteral("P_DTPROC") << QStringLiteral("P_CDOPERADOR");
    const QList<ReportDefinition> shipped = ReportTest::shippedDefinitions();
    QVERIFY(!shipped.isEmpty());
    for (const ReportDefinition& definition : shipped) {
        for (const auto engineKind :
             {DatabaseConfig::Engine::Sqlite, DatabaseConfig::Engine::Firebird})
            for (const QString& name :
                 ReportDefinition::declaredParameters(definition.sqlFor(engineKind)))
                QVERIFY2(bound.contains(name),
                         qPrintable(QStringLiteral("%1: %2").arg(definition.title, name)));
    }
}

// A host checks the roles it drives when it loads the module, and a module of another table
// layout is refused; both name what is wrong.
void TestScreen::hostsAreToldWhatTheModuleLeavesOut()
{
    const ScreenTableControl controls[] = {{ScreenRole::print, "sbtPrint"}};
    const ScreenTableCriterion criteria[] = {{"states", "LISTA", "status marcados:\nemitido"}};
    ScreenTable table{
        screenTableVersion, "frmX",   controls, 1,       nullptr, 0,      nullptr, 0, "KLX1",
        "&Tela X",          criteria, 1,        nullptr, nullptr, nullptr};
    const ScreenDescription screen =
        ScreenDescription::fromTable(table, QStringLiteral("/lib/PKG_X.so"));
    QCOMPARE(screen.control(ScreenRole::print), QStringLiteral("sbtPrint"));
    QCOMPARE(screen.screenCode(), QStringLiteral("KLX1"));
    QCOMPARE(screen.title(), QStringLiteral("&Tela X"));
    QCOMPARE(screen.criteria().size(), 1);
    QCOMPARE(screen.criteria().first().value, QStringLiteral("LISTA"));
    QCOMPARE(screen.criteria().first().help, QStringLiteral("status marcados:\nemitido"));
    try {
        screen.requireControls({ScreenRole::print, ScreenRole::preview});
        QFAIL("a role the module leaves out passed");
    } catch (const Exception& e) {
        QCOMPARE(e.Message(), QStringLiteral("O módulo PKG_X não nomeia o controle de papel "
                                             "'preview' que o programa usa."));
    }
    QVERIFY_THROWS_EXCEPTION(Exception, screen.variableIn(ScreenRole::defaultsPending));
    // A module of the first layout has no code, title nor criteria to read: refused, as is
    // one of a later layout.
    for (const int version : {1, screenTableVersion + 1}) {
        table.version = version;
        QVERIFY_THROWS_EXCEPTION(Exception,
                                 ScreenDescription::fromTable(table, QStringLiteral("PKG_X.so")));
    }
}

QTEST_MAIN(TestScreen)
#include "tst_screen.moc"

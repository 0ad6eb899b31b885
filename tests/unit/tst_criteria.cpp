// Named criteria sets ("Filtros") and the last report's criteria: saved from the screen,
// brought back through its controls and handlers, per operator, with the screen's rules.
#include "ScreenHost.h"
#include "controls/Pesqlista.h"
#include "controls/TButtonFlat.h"
#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TDateEditPlus.h"
#include "controls/TLabel.h"
#include "controls/TRadioButton.h"
#include "data/Dbgeral.h"
#include "form/CriteriaSets.h"
#include "form/ScreenCriteria.h"
#include "report/engine/ReportCatalog.h"
#include "report/ui/TfrmDadosGerRel.h"

#include "base/ProgramState.h"

#include <QApplication>
#include <QDir>
#include <QInputDialog>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

namespace {
template <class T> T* control(TForm* form, const char* name)
{
    T* found = form->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// Picks the codes in the group's list, as the user would with the picker.
void pick(TForm* form, const char* radio, const char* button, const QStringList& codes)
{
    control<TRadioButton>(form, radio)->SetChecked(true);
    Pesqlista::SetImplementation(
        [codes](const Pesqlista::Request&) { return std::optional<QStringList>(codes); });
    control<TButtonFlat>(form, button)->click();
    Pesqlista::SetImplementation({});
}

// Types the text and leaves the field, so its exit handler runs.
void type(TForm* form, const char* name, const QString& text)
{
    auto* edit = control<TMaskEdit>(form, name);
    edit->SetText(text);
    Dispatcher::run([edit] { edit->OnExit(edit); });
}

bool invoke(TForm* form, const char* method)
{
    bool result = true;
    return QMetaObject::invokeMethod(form, method, Qt::DirectConnection,
                                     Q_RETURN_ARG(bool, result)) &&
           result;
}

void save(TForm* form, const QString& name)
{
    QVERIFY(QMetaObject::invokeMethod(form, "saveCriteriaSet", Qt::DirectConnection,
                                      Q_ARG(QString, name)));
}

QStringList names(TForm* form)
{
    QStringList result;
    QMetaObject::invokeMethod(form, "criteriaSetNames", Qt::DirectConnection,
                              Q_RETURN_ARG(QStringList, result));
    return result;
}

// Takes the screen's report commands, prepared, in place of its engine: the report's run
// itself is not the subject here.
struct PreparedCommands : ReportCommandRunner {
    bool Run(const PreparedReport& report, ReportHost&) override
    {
        actions << report.action;
        return succeeds;
    }
    QList<ReportAction> actions;
    bool succeeds = true;
};
} // namespace

class TestCriteria : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void savedSetComesBackThroughTheControls();
    void setsArePerOperatorAndCanBeDeleted();
    void codesNoLongerOfferedAreDroppedWithAMessage();
    void lastReportCriteriaComeBackOnlyWhenAsked();
    void loadingAppliesTheScreensChecks();
    void setNamesItsReportAcrossAListChange();
    void datesSavedAsRulesRollWithTheProcessingDate();
    void askedCriteriaApplyOrSayWhichRefused_data();
    void askedCriteriaApplyOrSayWhichRefused();

private:
    // The screen opened again, its commands taken by m_commands.
    void reopen();
    // Loads the saved set as a host does, through the module's table.
    bool load(const QString& name)
    {
        return ScreenCriteria::loadSet(*m_host->module, name).result == ScreenCriteriaApplied;
    }

    QTemporaryDir m_config;
    std::unique_ptr<ScreenHost> m_host;
    TForm* m_form = nullptr;
    PreparedCommands m_commands;
};

void TestCriteria::initTestCase()
{
    // The program's state goes to a folder of the test's own.
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_config.path()));
    QCoreApplication::setApplicationName(QStringLiteral("klx"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("klx"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
}

void TestCriteria::init()
{
    QFile::remove(ProgramState::filePath());
    m_host = std::make_unique<ScreenHost>();
    reopen();
    QVERIFY(m_form);
}

void TestCriteria::reopen()
{
    m_host->open();
    m_form = m_host->form();
    if (auto* screen = qobject_cast<TfrmDadosGerRel*>(m_form))
        screen->SetCommandRunner(&m_commands);
}

void TestCriteria::cleanup()
{
    m_host.reset();
}

void TestCriteria::savedSetComesBackThroughTheControls()
{
    control<TComboBox>(m_form, "cbbReportNames")->SelectByUser(1);
    control<TCheckBox>(m_form, "chbCanc")->SetChecked(false);
    pick(m_form, "rdgLista", "sbtLista", {QStringLiteral("01"), QStringLiteral("03")});
    pick(m_form, "rdgListaConta", "sbtConta", {QStringLiteral("002")});
    type(m_form, "depEmissaoIni", QStringLiteral("01/02/2026"));
    type(m_form, "depEmissaoFin", QStringLiteral("28/02/2026"));
    type(m_form, "depCompensacaoIni", QStringLiteral("05/02/2026"));
    type(m_form, "depCompensacaoFin", QStringLiteral("20/02/2026"));
    type(m_form, "medChequeIni", QStringLiteral("1101"));
    type(m_form, "medChequeFin", QStringLiteral("1110"));
    save(m_form, QStringLiteral("Fevereiro / conta 002"));
    QCOMPARE(names(m_form), QStringList{QStringLiteral("Fevereiro / conta 002")});

    // A new screen opens with its defaults; the lists outlive it, so empty them too.
    m_form->MdiWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_host->variable<QString>("stListaEmpresa").clear();
    m_host->variable<QString>("stListaConta").clear();
    reopen();
    QVERIFY(control<TRadioButton>(m_form, "rdgTodos")->Checked());
    QCOMPARE(control<TDateEditPlus>(m_form, "depEmissaoIni")->GetText(),
             QStringLiteral("15/03/2026"));

    QVERIFY(load(QStringLiteral("Fevereiro / conta 002")));
    QVERIFY(m_host->errors.isEmpty());
    QCOMPARE(control<TComboBox>(m_form, "cbbReportNames")->GetItemIndex(), 1);
    QVERIFY(!control<TCheckBox>(m_form, "chbCanc")->Checked());
    QVERIFY(control<TCheckBox>(m_form, "chbEmit")->Checked());
    QCOMPARE(m_host->variable<QString>("stStatusChq"), QStringLiteral("_0_1"));
    QCOMPARE(m_host->variable<int>("inNumMarcado"), 2);
    QVERIFY(control<TRadioButton>(m_form, "rdgLista")->Checked());
    QCOMPARE(Dbgeral::codesOf(m_host->variable<QString>("stListaEmpresa")),
             (QStringList{QStringLiteral("01"), QStringLiteral("03")}));
    QCOMPARE(Dbgeral::codesOf(m_host->variable<QString>("stListaConta")),
             QStringList{QStringLiteral("002")});
    QCOMPARE(control<TLabel>(m_form, "lblListaEmpresa")->toolTip(),
             QStringLiteral("2 empresas:\n01 — Comercial Horizonte Ltda\n03 — Indústria Vale Verde "
                            "Ltda"));
    QCOMPARE(control<TDateEditPlus>(m_form, "depEmissaoIni")->GetText(),
             QStringLiteral("01/02/2026"));
    QCOMPARE(control<TDateEditPlus>(m_form, "depCompensacaoFin")->GetText(),
             QStringLiteral("20/02/2026"));
    QCOMPARE(control<TMaskEdit>(m_form, "medChequeIni")->GetText(), QStringLiteral("001101"));
    QCOMPARE(control<TMaskEdit>(m_form, "medChequeFin")->GetText(), QStringLiteral("001110"));
}

void TestCriteria::setsArePerOperatorAndCanBeDeleted()
{
    save(m_form, QStringLiteral("Mensal"));
    save(m_form, QStringLiteral("Anual"));
    QCOMPARE(names(m_form), (QStringList{QStringLiteral("Anual"), QStringLiteral("Mensal")}));
    LoginContext::SetOperator(QStringLiteral("OPER"));
    QVERIFY(names(m_form).isEmpty());
    QVERIFY(!load(QStringLiteral("Mensal")));
    QCOMPARE(m_host->errors, QStringList{QStringLiteral("Não há filtro com o nome 'Mensal'.")});
    LoginContext::SetOperator(QStringLiteral("ADM"));
    QVERIFY(QMetaObject::invokeMethod(m_form, "deleteCriteriaSet", Qt::DirectConnection,
                                      Q_ARG(QString, QStringLiteral("Mensal"))));
    QCOMPARE(names(m_form), QStringList{QStringLiteral("Anual")});
}

void TestCriteria::codesNoLongerOfferedAreDroppedWithAMessage()
{
    pick(m_form, "rdgLista", "sbtLista",
         {QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03")});
    save(m_form, QStringLiteral("Todas as minhas"));
    QSqlQuery(m_host->database.database())
        .exec(QStringLiteral("DELETE FROM OPEREMPR WHERE CDOPERADOR = 'ADM' AND CDEMPRESA = '02'"));
    m_form->Activate(); // every activation reads the operator's companies again
    QVERIFY(load(QStringLiteral("Todas as minhas")));
    QCOMPARE(m_host->errors,
             QStringList{QStringLiteral("Códigos que não são mais oferecidos foram retirados do "
                                        "filtro: empresas 02.")});
    QCOMPARE(Dbgeral::codesOf(m_host->variable<QString>("stListaEmpresa")),
             (QStringList{QStringLiteral("01"), QStringLiteral("03")}));
}

void TestCriteria::lastReportCriteriaComeBackOnlyWhenAsked()
{
    QVERIFY(!invoke(m_form, "restoreLastCriteria")); // no report yet
    m_host->errors.clear();
    control<TCheckBox>(m_form, "chbDisp")->SetChecked(false);
    type(m_form, "medChequeIni", QStringLiteral("5"));
    type(m_form, "medChequeFin", QStringLiteral("9"));
    // A run that does not make its report (a failure, a cancelled dialog) is not the last.
    m_commands.succeeds = false;
    control<TButtonFlat>(m_form, "sbtPreview")->click();
    QVERIFY(!invoke(m_form, "restoreLastCriteria"));
    m_host->errors.clear();
    m_commands.succeeds = true;
    m_commands.actions.clear();
    control<TButtonFlat>(m_form, "sbtPreview")->click();
    QVERIFY(m_host->errors.isEmpty());
    QCOMPARE(m_commands.actions, QList<ReportAction>{ReportAction::Preview});

    control<TCheckBox>(m_form, "chbDisp")->SetChecked(true);
    control<TMaskEdit>(m_form, "medChequeIni")->SetText(QString());
    control<TMaskEdit>(m_form, "medChequeFin")->SetText(QString());
    QVERIFY(invoke(m_form, "restoreLastCriteria"));
    QVERIFY(!control<TCheckBox>(m_form, "chbDisp")->Checked());
    QCOMPARE(control<TMaskEdit>(m_form, "medChequeIni")->GetText(), QStringLiteral("000005"));
    QCOMPARE(control<TMaskEdit>(m_form, "medChequeFin")->GetText(), QStringLiteral("000009"));

    // Opening the screen again still gives its defaults.
    m_form->MdiWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    reopen();
    QVERIFY(control<TCheckBox>(m_form, "chbDisp")->Checked());
    QCOMPARE(control<TMaskEdit>(m_form, "medChequeIni")->GetText(), QString());
}

void TestCriteria::loadingAppliesTheScreensChecks()
{
    // A set with an inverted clearing range: leaving its final date reports it, as it
    // would to a user typing it, and the load stops there.
    CriteriaSets(QStringLiteral("KLX47306"), QStringLiteral("ADM"))
        .save(QStringLiteral("Invertido"),
              {{QStringLiteral("clearing-from"), QStringLiteral("20/02/2026")},
               {QStringLiteral("clearing-to"), QStringLiteral("10/02/2026")},
               {QStringLiteral("check-from"), QStringLiteral("000001")}});
    QVERIFY(!load(QStringLiteral("Invertido")));
    QCOMPARE(m_host->errors,
             QStringList{QStringLiteral("Data de emissão inicial deve ser menor ou igual a data de "
                                        "emissão final.")});
    QCOMPARE(QApplication::focusWidget(), control<QWidget>(m_form, "depCompensacaoFin"));
    QCOMPARE(control<TMaskEdit>(m_form, "medChequeIni")->GetText(), QString());
}

// A set saved on a user's copy loads that copy after another copy joined the list before it,
// and says so, loading nothing, once the copy is gone.
void TestCriteria::setNamesItsReportAcrossAListChange()
{
    QTemporaryDir own;
    ReportCatalog::setUserDirectory(own.path());
    const QString shipped =
        QDir(ReportCatalog::directory()).filePath(QStringLiteral("KLX473-1-numero.rpt"));
    QFile source(shipped);
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(source.readAll());
    const QString mine = ReportCatalog::saveAsNew(QStringLiteral("KLX473"), text,
                                                  QStringLiteral("Meu relatório"), QString());
    auto* reports = control<TComboBox>(m_form, "cbbReportNames");
    qobject_cast<TfrmDadosGerRel*>(m_form)->loadReportList();
    const int index = reports->findText(QStringLiteral("Meu relatório"));
    QVERIFY(index >= 0);
    reports->SelectByUser(index);
    save(m_form, QStringLiteral("Meu"));

    // A colleague's copy takes the place before it, as a shipped report added would: the
    // copy's place in the list moves down one.
    ReportCatalog::saveAsNew(QStringLiteral("KLX473"), text, QStringLiteral("Relatório do colega"),
                             QString());
    QFile file(mine);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString definition = QString::fromUtf8(file.readAll());
    file.close();
    definition.replace(QRegularExpression(QStringLiteral("(?m)^order:.*$")),
                       QStringLiteral("order: 99"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(definition.toUtf8());
    file.close();
    qobject_cast<TfrmDadosGerRel*>(m_form)->loadReportList();
    reports->SelectByUser(0);
    QVERIFY(reports->findText(QStringLiteral("Relatório do colega")) <
            reports->findText(QStringLiteral("Meu relatório")));

    QVERIFY(load(QStringLiteral("Meu")));
    QCOMPARE(reports->currentText(), QStringLiteral("Meu relatório"));

    // Renamed from the program, the copy is still the set's.
    QTimer::singleShot(0, [] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* ask = qobject_cast<QInputDialog*>(window); ask && ask->isVisible()) {
                ask->setTextValue(QStringLiteral("Meu relatório mensal"));
                ask->accept();
            }
    });
    qobject_cast<TfrmDadosGerRel*>(m_form)->mniRenomearClick(nullptr);
    reports->SelectByUser(0);
    QVERIFY(load(QStringLiteral("Meu")));
    QCOMPARE(reports->currentText(), QStringLiteral("Meu relatório mensal"));

    QVERIFY(QFile::remove(mine));
    qobject_cast<TfrmDadosGerRel*>(m_form)->loadReportList();
    reports->SelectByUser(0);
    m_host->errors.clear();
    QVERIFY(!load(QStringLiteral("Meu")));
    QCOMPARE(m_host->errors.size(), 1);
    QVERIFY2(m_host->errors.first().contains(QStringLiteral("\"Meu relatório mensal\"")),
             qPrintable(m_host->errors.first()));
    QCOMPARE(reports->GetItemIndex(), 0);
    ReportCatalog::setUserDirectory(QString());
}

// The monthly close saved once: its dates are the previous month of whatever processing date
// the branch has when it is loaded.
void TestCriteria::datesSavedAsRulesRollWithTheProcessingDate()
{
    QVERIFY(QMetaObject::invokeMethod(
        m_form, "saveCriteriaSet", Qt::DirectConnection,
        Q_ARG(QString, QStringLiteral("Fechamento")),
        Q_ARG(QVariantMap,
              (QVariantMap{
                  {QStringLiteral("emission-from"), QStringLiteral("inicio-do-mes-anterior")},
                  {QStringLiteral("emission-to"), QStringLiteral("fim-do-mes-anterior")}}))));
    for (const auto& [processing, from, to] :
         {std::tuple{"2026-03-15", "01/02/2026", "28/02/2026"},
          std::tuple{"2026-01-05", "01/12/2025", "31/12/2025"}}) {
        QSqlQuery(m_host->database.database())
            .exec(QStringLiteral("UPDATE FILIAL SET DTPROC = '%1' WHERE CDFILIAL = '01'")
                      .arg(QLatin1String(processing)));
        QVERIFY(load(QStringLiteral("Fechamento")));
        QCOMPARE(control<TDateEditPlus>(m_form, "depEmissaoIni")->GetText(), QLatin1String(from));
        QCOMPARE(control<TDateEditPlus>(m_form, "depEmissaoFin")->GetText(), QLatin1String(to));
    }
    QVERIFY(m_host->errors.isEmpty());
}

// Criteria a host asks for by name: checked for their form without a form, then put on the
// screen through its controls; what the screen cannot apply as asked refuses, naming the
// criterion, and the screen's own checks refuse with their message.
void TestCriteria::askedCriteriaApplyOrSayWhichRefused_data()
{
    QTest::addColumn<QVariantMap>("asked");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("shown");
    const auto asked = [](std::initializer_list<std::pair<const char*, const char*>> items) {
        QVariantMap map;
        for (const auto& [name, value] : items)
            map.insert(QLatin1String(name), QString::fromUtf8(value));
        return map;
    };
    QTest::newRow("applied") << asked({{"states", "Emitido"}, {"companies", "03, 01"}})
                             << int(ScreenCriteriaApplied) << QString() << QString();
    QTest::newRow("unknown state")
        << asked({{"states", "emitido,pago"}}) << int(ScreenCriteriaMalformed)
        << "states: status desconhecido 'pago' (use emitido, cancelado, disponivel)" << QString();
    QTest::newRow("impossible date")
        << asked({{"clearing-to", "31/02/2026"}}) << int(ScreenCriteriaMalformed)
        << "clearing-to: data inválida '31/02/2026'" << QString();
    QTest::newRow("unknown criterion") << asked({{"cor", "azul"}}) << int(ScreenCriteriaMalformed)
                                       << "cor: critério desconhecido" << QString();
    QTest::newRow("code not offered")
        << asked({{"companies", "01,04"}}) << int(ScreenCriteriaRefused)
        << "companies: 04 fora da lista da tela (disponíveis: 01, 02, 03)" << QString();
    QTest::newRow("disabled field")
        << asked({{"reconciliation", "compensado"}}) << int(ScreenCriteriaRefused)
        << "reconciliation: o campo está desabilitado na tela com estes critérios" << QString();
    QTest::newRow("report out of the list")
        << asked({{"report", "9"}}) << int(ScreenCriteriaRefused)
        << "report: não há relatório 9; a lista tem 6 (0 a 5)" << QString();
    QTest::newRow("the screen's own check")
        << asked({{"check-from", "9"}, {"check-to", "3"}}) << int(ScreenCriteriaRefused)
        << QString() << "Cheque inicial deve ser menor ou igual ao cheque final.";
}

void TestCriteria::askedCriteriaApplyOrSayWhichRefused()
{
    QFETCH(QVariantMap, asked);
    QFETCH(int, result);
    QFETCH(QString, note);
    QFETCH(QString, shown);
    const QJsonObject criteria = QJsonObject::fromVariantMap(asked);
    const ScreenCriteria::Outcome checked = ScreenCriteria::check(*m_host->module, criteria);
    QCOMPARE(int(checked.result), result == ScreenCriteriaMalformed ? result : 0);
    const ScreenCriteria::Outcome applied = ScreenCriteria::apply(*m_host->module, criteria);
    QCOMPARE(int(applied.result), result);
    QStringList notes;
    for (const ScreenCriteria::Note& n : applied.notes)
        notes << n.criterion + QStringLiteral(": ") + n.text;
    QCOMPARE(notes.size(), note.isEmpty() ? 0 : 1);
    if (!note.isEmpty())
        QVERIFY2(notes.first().startsWith(note), qPrintable(notes.first()));
    QCOMPARE(m_host->errors, shown.isEmpty() ? QStringList() : QStringList{shown});
    if (result != ScreenCriteriaApplied)
        return;
    QVERIFY(!control<TCheckBox>(m_form, "chbCanc")->Checked());
    QCOMPARE(m_host->variable<QString>("stStatusChq"), QStringLiteral("_1"));
    QVERIFY(control<TRadioButton>(m_form, "rdgLista")->Checked());
    QCOMPARE(Dbgeral::codesOf(m_host->variable<QString>("stListaEmpresa")),
             (QStringList{QStringLiteral("01"), QStringLiteral("03")}));
}

QTEST_MAIN(TestCriteria)
#include "tst_criteria.moc"

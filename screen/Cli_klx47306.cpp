#include "Cli_klx47306.h"

#include "ChequeNames.h"
#include "PickSummary.h"
#include "PickedNames.h"
#include "base/Consiste.h"
#include "base/Dispatcher.h"
#include "base/Mask.h"
#include "base/TMessages.h"
#include "controls/ChildControls.h"
#include "controls/Pesqlista.h"
#include "controls/TButtonFlat.h"
#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TDateEditPlus.h"
#include "controls/TGroupBox.h"
#include "controls/TLabel.h"
#include "controls/TMaskEdit.h"
#include "controls/TRadioButton.h"
#include "data/Dbgeral.h"
#include "data/LoginContext.h"
#include "data/TADOIBQuery.h"
#include "data/TDataSource.h"
#include "data/TField.h"
#include "data/TParams.h"
#include "form/TApplication.h"
#include "report/engine/Qrddlgs.h"

TfrmCheque* frmCheque = nullptr;
bool boStCriado = false;
bool boPrimVez = false;
int inNumMarcado = 0;
QString stStatusChq;
QString stListaEmpresa;
QString stListaTEmp;
QString stListaConta;

namespace {

// The report list entry that filters by reconciliation instead of check state.
constexpr int reconciliationReport = 2;

// The chosen report filters by reconciliation: the list's third entry, or a report of that
// kind elsewhere in the list (a copy of it).
bool reconciliationChosen(const TfrmDadosGerRel& form)
{
    const int index = form.cbbReportNames->GetItemIndex();
    return index == reconciliationReport ||
           form.ReportKind(index) == ReportDefinition::reconciliationKind;
}

// Restores the default cursor however the opening ends.
struct HourglassCursor {
    HourglassCursor() { Screen->SetCursor(crHourGlass); }
    ~HourglassCursor() { Screen->SetCursor(crDefault); }
};

// Assigns a value to a parameter only when the query declares it; the value is read
// only then.
template <class Read, class Assign>
void assignIfDeclared(TParams* params, const QString& name, Read read, Assign assign)
{
    if (Qrddlgs::ExistParam(params, name))
        assign(params->ParamByName(name), read());
}

void assignString(TParams* params, const QString& name, const std::function<QString()>& read)
{
    assignIfDeclared(params, name, read, [](TParam* p, const QString& v) { p->SetAsString(v); });
}

void assignDate(TParams* params, const QString& name, const std::function<TDateTime()>& read)
{
    assignIfDeclared(params, name, read, [](TParam* p, TDateTime v) { p->SetAsDateTime(v); });
}

void assignInteger(TParams* params, const QString& name, const std::function<int()>& read)
{
    assignIfDeclared(params, name, read, [](TParam* p, int v) { p->SetAsInteger(v); });
}

} // namespace

void CriaCheque()
{
    HourglassCursor cursor;
    if (!boStCriado) {
        Application->CreateForm(frmCheque);
        boStCriado = true;
    }
    frmCheque->Show();
    frmCheque->SetWindowState(TWindowState::wsNormal);
}

TfrmCheque::TfrmCheque(QWidget* parent) : TfrmDadosGerRel(parent) {}

QStringList TfrmCheque::descriptionResources() const
{
    return TfrmDadosGerRel::descriptionResources() << QStringLiteral(":/screen/frmCheque.json");
}

void TfrmCheque::publishHandlers(HandlerTable& table)
{
    TfrmDadosGerRel::publishHandlers(table);
    const auto notify = [&](const char* name, void (TfrmCheque::*handler)(TObject*)) {
        table.notify.insert(QLatin1String(name),
                            [this, handler](TObject* s) { (this->*handler)(s); });
    };
    notify("rdgTodosClick", &TfrmCheque::rdgTodosClick);
    notify("rdgListaClick", &TfrmCheque::rdgListaClick);
    notify("rdgTodasContasClick", &TfrmCheque::rdgTodasContasClick);
    notify("rdgListaContaClick", &TfrmCheque::rdgListaContaClick);
    notify("sbtListaClick", &TfrmCheque::sbtListaClick);
    notify("sbtContaClick", &TfrmCheque::sbtContaClick);
    notify("chbEmitClick", &TfrmCheque::chbEmitClick);
    notify("chbCancClick", &TfrmCheque::chbCancClick);
    notify("chbDispClick", &TfrmCheque::chbDispClick);
    notify("cbbReportNamesChange", &TfrmCheque::cbbReportNamesChange);
    notify("depEmissaoIniExit", &TfrmCheque::depEmissaoIniExit);
    notify("depEmissaoFinExit", &TfrmCheque::depEmissaoFinExit);
    notify("depCompensacaoIniExit", &TfrmCheque::depCompensacaoIniExit);
    notify("depCompensacaoFinExit", &TfrmCheque::depCompensacaoFinExit);
    notify("medChequeIniExit", &TfrmCheque::medChequeIniExit);
    notify("medChequeFinExit", &TfrmCheque::medChequeFinExit);
    table.key.insert(QStringLiteral("rdgListaKeyDown"),
                     [this](TObject* s, quint16& k, TShiftState sh) { rdgListaKeyDown(s, k, sh); });
    table.key.insert(
        QStringLiteral("rdgListaContaKeyDown"),
        [this](TObject* s, quint16& k, TShiftState sh) { rdgListaContaKeyDown(s, k, sh); });
    table.fieldText.insert(
        QStringLiteral("qryContaCDAGENCIAGetText"),
        [this](TField* f, QString& t, bool d) { qryContaCDAGENCIAGetText(f, t, d); });
    table.fieldText.insert(
        QStringLiteral("qryContaCDCONTCORRGetText"),
        [this](TField* f, QString& t, bool d) { qryContaCDCONTCORRGetText(f, t, d); });
    table.queryParams.insert(QStringLiteral("rpddPadraoBeforeGetQueryParams"),
                             [this](TParams* p, bool& h) { rpddPadraoBeforeGetQueryParams(p, h); });
}

void TfrmCheque::bindComponents()
{
    TfrmDadosGerRel::bindComponents();
    grbEmpresa = component<TGroupBox>(QStringLiteral("grbEmpresa"));
    rdgTodos = component<TRadioButton>(QLatin1String(ChequeControls::companiesAll));
    rdgLista = component<TRadioButton>(QLatin1String(ChequeControls::companiesList));
    sbtLista = component<TButtonFlat>(QLatin1String(ChequeControls::companiesSearch));
    grbContaCorrente = component<TGroupBox>(QStringLiteral("grbContaCorrente"));
    rdgTodasContas = component<TRadioButton>(QLatin1String(ChequeControls::accountsAll));
    rdgListaConta = component<TRadioButton>(QLatin1String(ChequeControls::accountsList));
    sbtConta = component<TButtonFlat>(QLatin1String(ChequeControls::accountsSearch));
    grbEmissao = component<TGroupBox>(QStringLiteral("grbEmissao"));
    depEmissaoIni = component<TDateEditPlus>(QLatin1String(ChequeControls::emissionFrom));
    depEmissaoFin = component<TDateEditPlus>(QLatin1String(ChequeControls::emissionTo));
    grbCompensacao = component<TGroupBox>(QStringLiteral("grbCompensacao"));
    depCompensacaoIni = component<TDateEditPlus>(QLatin1String(ChequeControls::clearingFrom));
    depCompensacaoFin = component<TDateEditPlus>(QLatin1String(ChequeControls::clearingTo));
    grbStatus = component<TGroupBox>(QStringLiteral("grbStatus"));
    chbEmit = component<TCheckBox>(QLatin1String(ChequeControls::stateIssued));
    chbCanc = component<TCheckBox>(QLatin1String(ChequeControls::stateCancelled));
    chbDisp = component<TCheckBox>(QLatin1String(ChequeControls::stateAvailable));
    grbCheque = component<TGroupBox>(QStringLiteral("grbCheque"));
    medChequeIni = component<TMaskEdit>(QLatin1String(ChequeControls::checkFrom));
    medChequeFin = component<TMaskEdit>(QLatin1String(ChequeControls::checkTo));
    grbConc = component<TGroupBox>(QStringLiteral("grbConc"));
    lblConciliacao = component<TLabel>(QStringLiteral("lblConciliacao"));
    cbbConciliacao = component<TComboBox>(QLatin1String(ChequeControls::reconciliation));
    qryEmpresa = component<TADOIBQuery>(QStringLiteral("qryEmpresa"));
    dtsEmpresa__ = component<TDataSource>(QStringLiteral("dtsEmpresa__"));
    qryConta = component<TADOIBQuery>(QStringLiteral("qryConta"));
    dtsConta__ = component<TDataSource>(QStringLiteral("dtsConta__"));
    qryContaCDPICTCONT = component<TField>(QStringLiteral("qryContaCDPICTCONT"));
    qryContaCDPICTAGEN = component<TField>(QStringLiteral("qryContaCDPICTAGEN"));
    lblListaEmpresa = component<TLabel>(QStringLiteral("lblListaEmpresa"));
    lblListaConta = component<TLabel>(QStringLiteral("lblListaConta"));
    sbtFiltros = component<TButtonFlat>(QLatin1String(ChequeControls::filters));

    // A list shows as in force while its "Lista" is chosen.
    connect(rdgLista, &QAbstractButton::toggled, lblListaEmpresa, &QWidget::setEnabled);
    connect(rdgListaConta, &QAbstractButton::toggled, lblListaConta, &QWidget::setEnabled);
    // Which picked accounts the report leaves out follows the companies and accounts in force.
    connect(rdgLista, &QAbstractButton::toggled, this, [this] { showPicks(); });
    connect(rdgListaConta, &QAbstractButton::toggled, this, [this] { showPicks(); });
    lblListaEmpresa->setEnabled(false);
    lblListaConta->setEnabled(false);
    setUpFilters();
}

// ---- Lifetime and activation ----

void TfrmCheque::FormCreate(TObject* sender)
{
    TfrmDadosGerRel::FormCreate(sender);
    boPrimVez = true;
}

void TfrmCheque::FormClose(TObject* sender, TCloseAction& action)
{
    TfrmDadosGerRel::FormClose(sender, action);
    boStCriado = false;
}

void TfrmCheque::FormActivate(TObject* sender)
{
    TfrmDadosGerRel::FormActivate(sender);
    Refresh();
    if (boPrimVez) {
        boPrimVez = false;
        depEmissaoIni->SetDate(DataProc(FiliProc()));
        depEmissaoFin->SetDate(DataProc(FiliProc()));
        depCompensacaoIni->SetText(QString());
        depCompensacaoFin->SetText(QString());
        rdgTodos->SetChecked(true);
        rdgTodasContas->SetChecked(true);
        stStatusChq = QStringLiteral("_0_1_2");
        inNumMarcado = 3;
        cbbConciliacao->SetItemIndex(0);
        cbbReportNamesChange(cbbReportNames);
        // The keyboard starts at the first criterion; nothing is left, so no exit runs.
        rdgTodos->setFocus(Qt::OtherFocusReason);
    }
    QString companies;
    Dbgeral::ListaEmpresaOper(Operador(), companies);
    stListaTEmp = companies;
    showPicks();
}

void TfrmCheque::showPicks()
{
    const QStringList accounts = Dbgeral::codesOf(stListaConta);
    QHash<QString, QString> accountNames;
    const QHash<QString, PickedNames::Account> found = PickedNames::accounts(accounts);
    for (auto account = found.cbegin(); account != found.cend(); ++account)
        accountNames.insert(account.key(), account->description);
    PickSummary::show(lblListaEmpresa, stListaEmpresa, QStringLiteral("empresa"),
                      QStringLiteral("empresas"),
                      PickedNames::companies(Dbgeral::codesOf(stListaEmpresa)));
    PickSummary::show(lblListaConta, stListaConta, QStringLiteral("conta"),
                      QStringLiteral("contas"), accountNames, accountsLeftOut(accounts));
}

QStringList TfrmCheque::accountsLeftOut(const QStringList& accounts) const
{
    if (!rdgListaConta->Checked() || accounts.isEmpty())
        return {};
    const QStringList inForce =
        Dbgeral::codesOf(rdgLista->Checked() ? stListaEmpresa : stListaTEmp);
    const QHash<QString, PickedNames::Account> found = PickedNames::accounts(accounts);
    QStringList leftOut;
    for (const QString& account : accounts)
        if (found.contains(account) && !inForce.contains(found.value(account).company))
            leftOut << account;
    return leftOut;
}

QList<ReportCriteria::Item> TfrmCheque::criteriaNotes() const
{
    const QStringList leftOut = accountsLeftOut(Dbgeral::codesOf(stListaConta));
    if (leftOut.isEmpty())
        return {};
    QStringList shown;
    for (const QString& code : leftOut)
        shown << code.trimmed();
    return {{QStringLiteral("Contas fora das empresas escolhidas (não entram)"),
             shown.join(QStringLiteral(", ")), leftOut}};
}

// ---- Company and account choice ----

void TfrmCheque::rdgTodosClick(TObject*)
{
    sbtLista->setEnabled(!rdgTodos->Checked());
}

void TfrmCheque::rdgListaClick(TObject*)
{
    sbtLista->setEnabled(rdgLista->Checked());
}

void TfrmCheque::rdgTodasContasClick(TObject*)
{
    sbtConta->setEnabled(!rdgTodasContas->Checked());
}

void TfrmCheque::rdgListaContaClick(TObject*)
{
    sbtConta->setEnabled(rdgListaConta->Checked());
}

void TfrmCheque::pickCodes(TADOIBQuery* query, TDataSource* source, const QString& keyField,
                           const QString& titleKey, QString& codes)
{
    query->Open();
    const QString title = msgPadrao->Msg(titleKey);
    Pesqlista::PesquisaLista(source, keyField, title, false, codes);
    showPicks();
}

void TfrmCheque::sbtListaClick(TObject*)
{
    qryEmpresa->Close();
    qryEmpresa->ParamByName(QStringLiteral("P_CDEMPRESA"))->SetAsString(stListaTEmp);
    pickCodes(qryEmpresa, dtsEmpresa__, QStringLiteral("CDEMPRESA"), QStringLiteral("Empresa"),
              stListaEmpresa);
}

void TfrmCheque::sbtContaClick(TObject*)
{
    if (rdgLista->Checked() && Consiste::EmptyString(stListaEmpresa))
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Empresa_deve")), true);
    qryConta->Close();
    qryConta->ParamByName(QStringLiteral("P_CDEMPRESA"))
        ->SetAsString(rdgTodos->Checked() ? stListaTEmp : stListaEmpresa);
    qryConta->ParamByName(QStringLiteral("P_CDREDUCONT"))->SetAsString(QString());
    qryConta->ParamByName(QStringLiteral("P_TCDREDUCONT"))->SetAsString(QStringLiteral("T"));
    pickCodes(qryConta, dtsConta__, QStringLiteral("CDREDUCONT"), QStringLiteral("Conta Corrente"),
              stListaConta);
}

void TfrmCheque::rdgListaKeyDown(TObject*, quint16& key, TShiftState)
{
    if (key == VirtualKey::F9)
        sbtListaClick(sbtLista);
}

void TfrmCheque::rdgListaContaKeyDown(TObject*, quint16& key, TShiftState)
{
    if (key == VirtualKey::F9)
        sbtContaClick(sbtConta);
}

// ---- Check states and group enabling ----

void TfrmCheque::statusBoxClick(TCheckBox* box, const QString& token)
{
    if (!reconciliationChosen(*this))
        desabilita_grupos();
    if (box->Checked()) {
        stStatusChq += token;
        ++inNumMarcado;
    } else {
        const int at = stStatusChq.indexOf(token, 0, Qt::CaseInsensitive);
        if (at >= 0)
            stStatusChq.remove(at, token.size());
        --inNumMarcado;
    }
}

void TfrmCheque::chbEmitClick(TObject*)
{
    statusBoxClick(chbEmit, QStringLiteral("_1"));
}

void TfrmCheque::chbCancClick(TObject*)
{
    statusBoxClick(chbCanc, QStringLiteral("_2"));
}

void TfrmCheque::chbDispClick(TObject*)
{
    statusBoxClick(chbDisp, QStringLiteral("_0"));
}

void TfrmCheque::desabilita_grupos()
{
    const bool onlyAvailable = chbDisp->Checked() && !chbCanc->Checked() && !chbEmit->Checked();
    Consiste::SetChildEnabled(grbEmissao, !onlyAvailable);
    Consiste::SetChildEnabled(grbCompensacao, !onlyAvailable);
}

void TfrmCheque::cbbReportNamesChange(TObject*)
{
    const bool reconciliation = reconciliationChosen(*this);
    if (reconciliation) {
        Consiste::SetChildEnabled(grbEmissao, true);
        Consiste::SetChildEnabled(grbCompensacao, true);
    } else {
        desabilita_grupos();
    }
    Consiste::SetChildEnabled(grbStatus, !reconciliation);
    lblConciliacao->setEnabled(reconciliation);
    cbbConciliacao->setEnabled(lblConciliacao->isEnabled());
}

// ---- Field exits ----

namespace {
// Puts the focus on the control a check sends the user back to; an edit's whole text is
// selected, as Tab does, so that typing replaces it (also when it had the focus already).
void focusForRetyping(QWidget* control)
{
    control->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->selectAll();
}
} // namespace

void TfrmCheque::failWith(QWidget* focusTarget, const QString& key)
{
    if (focusTarget)
        focusForRetyping(focusTarget);
    Consiste::MensErro(msgPadrao->Msg(key), true);
}

void TfrmCheque::failIfDatesInverted(TDateEditPlus* initial, TDateEditPlus* final,
                                     QWidget* focusTarget)
{
    if (initial->GetText().isEmpty() || final->GetText().isEmpty())
        return;
    // A partial or impossible date reads as 0: no order can be judged until both are dates
    // (the pre-run validation reports the invalid one).
    if (!initial->IsDateValid() || !final->IsDateValid())
        return;
    const TDateTime first = initial->GetDate();
    const TDateTime last = final->GetDate();
    if (last < first)
        failWith(focusTarget, QStringLiteral("DataIni_mai"));
}

void TfrmCheque::failIfCheckNumbersInverted()
{
    if (medChequeIni->GetText().isEmpty() || medChequeFin->GetText().isEmpty())
        return;
    // Ordinal comparison: check numbers of the same width order by value.
    if (QString::compare(medChequeIni->GetText(), medChequeFin->GetText(), Qt::CaseSensitive) > 0)
        failWith(medChequeIni, QStringLiteral("Chequeini_mai"));
}

void TfrmCheque::leaveFinalDate(TDateEditPlus* initial, TDateEditPlus* final, QWidget* focusTarget)
{
    final->CheckValidDate();
    failIfDatesInverted(initial, final, focusTarget);
}

void TfrmCheque::leaveCheckNumber(TMaskEdit* field)
{
    field->SetText(Consiste::Ajusta(field->GetText(), 6));
    failIfCheckNumbersInverted();
}

void TfrmCheque::depEmissaoIniExit(TObject*)
{
    depEmissaoIni->CheckValidDate();
}

void TfrmCheque::depEmissaoFinExit(TObject*)
{
    leaveFinalDate(depEmissaoIni, depEmissaoFin, depEmissaoIni);
}

void TfrmCheque::depCompensacaoIniExit(TObject*)
{
    depCompensacaoIni->CheckValidDate();
}

void TfrmCheque::depCompensacaoFinExit(TObject*)
{
    leaveFinalDate(depCompensacaoIni, depCompensacaoFin, depCompensacaoFin);
}

void TfrmCheque::medChequeIniExit(TObject*)
{
    leaveCheckNumber(medChequeIni);
}

void TfrmCheque::medChequeFinExit(TObject*)
{
    leaveCheckNumber(medChequeFin);
}

// ---- Pre-run validation and report commands ----

void TfrmCheque::adjustCheckNumberIfGiven(TMaskEdit* field)
{
    if (!Consiste::EmptyString(field->GetText()))
        field->SetText(Consiste::Ajusta(field->GetText(), 6));
}

void TfrmCheque::requireCheckNumber(TMaskEdit* given, TMaskEdit* missing, const QString& key)
{
    // The focus reaches the missing number as the abort passes, after the message.
    try {
        if (!Consiste::EmptyString(given->GetText()) && Consiste::EmptyString(missing->GetText()))
            failWith(nullptr, key);
    } catch (...) {
        focusForRetyping(missing);
        throw;
    }
}

void TfrmCheque::vd_imp()
{
    depEmissaoIni->CheckValidDate();
    depEmissaoFin->CheckValidDate();
    if (rdgLista->Checked() && stListaEmpresa.isEmpty())
        failWith(nullptr, QStringLiteral("Empresa_ni"));
    if (rdgListaConta->Checked() && stListaConta.isEmpty())
        failWith(nullptr, QStringLiteral("Conta_ni"));
    adjustCheckNumberIfGiven(medChequeIni);
    adjustCheckNumberIfGiven(medChequeFin);
    if (!reconciliationChosen(*this) && inNumMarcado == 0)
        failWith(grbStatus, QStringLiteral("Status_ni"));
    requireCheckNumber(medChequeIni, medChequeFin, QStringLiteral("CheqFin_inf"));
    requireCheckNumber(medChequeFin, medChequeIni, QStringLiteral("CheqIni_inf"));
    if (depEmissaoIni->GetText().isEmpty() && depEmissaoIni->isEnabled())
        failWith(depEmissaoIni, QStringLiteral("EmissaoIni_ni"));
    if (depEmissaoFin->GetText().isEmpty() && depEmissaoFin->isEnabled())
        failWith(depEmissaoFin, QStringLiteral("EmissaoFin_ni"));
    if (!depEmissaoIni->IsDateValid())
        failWith(depEmissaoIni, QStringLiteral("DtIni_inv"));
    if (!depEmissaoFin->IsDateValid())
        failWith(depEmissaoFin, QStringLiteral("DtFin_inv"));
    failIfDatesInverted(depEmissaoIni, depEmissaoFin, depEmissaoIni);
    failIfCheckNumbersInverted();
    // An impossible clearing date would otherwise read as no date and widen the report.
    for (TDateEditPlus* clearing : {depCompensacaoIni, depCompensacaoFin})
        if (!clearing->IsDateValid())
            failWith(clearing, QStringLiteral("DtComp_inv"));
}

void TfrmCheque::sbtPrintClick(TObject* sender)
{
    vd_imp();
    TfrmDadosGerRel::sbtPrintClick(sender);
}

void TfrmCheque::sbtPreviewClick(TObject* sender)
{
    vd_imp();
    TfrmDadosGerRel::sbtPreviewClick(sender);
}

void TfrmCheque::sbtSalvarComoClick(TObject* sender)
{
    vd_imp();
    TfrmDadosGerRel::sbtSalvarComoClick(sender);
}

void TfrmCheque::sbtReportEditClick(TObject* sender)
{
    vd_imp();
    TfrmDadosGerRel::sbtReportEditClick(sender);
}

// ---- Report query parameters ----

namespace {

const QString takeAll = QStringLiteral("T");
const QString noValue;

// A company or account choice: "Todas" switches the filter off, "Lista" passes the list.
void bindList(TParams* params, bool all, const QString& list, const char* listName,
              const char* allName)
{
    assignString(params, QLatin1String(listName), [&] { return all ? noValue : list; });
    assignString(params, QLatin1String(allName), [&] { return all ? takeAll : noValue; });
}

// The check-number range, when both ends are given.
void bindCheckNumbers(const TfrmCheque& form, TParams* params)
{
    const bool range =
        !form.medChequeIni->GetText().isEmpty() && !form.medChequeFin->GetText().isEmpty();
    assignString(params, QLatin1String(ChequeParameters::checkFrom),
                 [&] { return range ? form.medChequeIni->GetText() : noValue; });
    assignString(params, QLatin1String(ChequeParameters::checkTo),
                 [&] { return range ? form.medChequeFin->GetText() : noValue; });
    assignString(params, QLatin1String(ChequeParameters::allChecks),
                 [&] { return range ? noValue : takeAll; });
}

enum class EmissionDates { FromEdits, Zero, Untouched };

// What the emission dates pass: while the status group is enabled, "Disponível" alone passes
// zero dates, "Disponível" with another state the edits, and without "Disponível" the edits
// only when both dates are given and another state is checked.
EmissionDates emissionDates(const TfrmCheque& form)
{
    if (!form.chbDisp->isEnabled())
        return EmissionDates::FromEdits;
    const bool issuedOrCancelled = form.chbCanc->Checked() || form.chbEmit->Checked();
    if (form.chbDisp->Checked())
        return issuedOrCancelled ? EmissionDates::FromEdits : EmissionDates::Zero;
    if (issuedOrCancelled && form.depEmissaoIni->GetDate() != 0 &&
        form.depEmissaoFin->GetDate() != 0)
        return EmissionDates::FromEdits;
    return EmissionDates::Untouched;
}

void bindEmissionDates(const TfrmCheque& form, TParams* params)
{
    const EmissionDates rule = emissionDates(form);
    if (rule == EmissionDates::Untouched)
        return;
    const bool zero = rule == EmissionDates::Zero;
    assignDate(params, QLatin1String(ChequeParameters::emissionFrom),
               [&] { return zero ? TDateTime(0) : form.depEmissaoIni->GetDate(); });
    assignDate(params, QLatin1String(ChequeParameters::emissionTo),
               [&] { return zero ? TDateTime(0) : form.depEmissaoFin->GetDate(); });
}

// The states: one or two checked pass their list, all three switch the filter off, none
// passes nothing.
void bindStates(TParams* params)
{
    const int checked = inNumMarcado;
    if (checked == 0 || checked > 3)
        return;
    const bool all = checked == 3;
    assignString(params, QLatin1String(ChequeParameters::states),
                 [&] { return all ? noValue : stStatusChq; });
    assignString(params, QLatin1String(ChequeParameters::allStates),
                 [&] { return all ? QStringLiteral("TODOS") : noValue; });
}

// The clearing-date range, when both dates are given; otherwise empty texts.
void bindClearingDates(const TfrmCheque& form, TParams* params)
{
    const bool range =
        form.depCompensacaoIni->GetDate() != 0 && form.depCompensacaoFin->GetDate() != 0;
    if (range) {
        assignDate(params, QLatin1String(ChequeParameters::clearingFrom),
                   [&] { return form.depCompensacaoIni->GetDate(); });
        assignDate(params, QLatin1String(ChequeParameters::clearingTo),
                   [&] { return form.depCompensacaoFin->GetDate(); });
    } else {
        assignString(params, QLatin1String(ChequeParameters::clearingFrom), [] { return noValue; });
        assignString(params, QLatin1String(ChequeParameters::clearingTo), [] { return noValue; });
    }
    assignString(params, QLatin1String(ChequeParameters::allClearing),
                 [&] { return range ? noValue : takeAll; });
}

} // namespace

void TfrmCheque::rpddPadraoBeforeGetQueryParams(TParams* params, bool&)
{
    bindList(params, rdgTodos->Checked(), stListaEmpresa, ChequeParameters::companies,
             ChequeParameters::allCompanies);
    bindList(params, rdgTodasContas->Checked(), stListaConta, ChequeParameters::accounts,
             ChequeParameters::allAccounts);
    bindCheckNumbers(*this, params);
    bindEmissionDates(*this, params);
    bindStates(params);
    // Whatever the list's enabled state: another report still receives the last choice.
    assignInteger(params, QLatin1String(ChequeParameters::reconciliation),
                  [&] { return cbbConciliacao->GetItemIndex(); });
    bindClearingDates(*this, params);
}

// ---- Bank display masks ----

namespace {
// Formats a stored number with its bank's picture; a null number keeps the empty text.
void formatWithPicture(TField* number, QString& text, TField* picture)
{
    if (number->IsNull())
        return;
    const QString value = number->AsString();
    const QString mask = picture->AsString() + QStringLiteral(";0; ");
    text = Mask::FormatMaskText(mask, value);
}
} // namespace

void TfrmCheque::qryContaCDAGENCIAGetText(TField* sender, QString& text, bool)
{
    formatWithPicture(sender, text, qryContaCDPICTAGEN);
}

void TfrmCheque::qryContaCDCONTCORRGetText(TField* sender, QString& text, bool)
{
    formatWithPicture(sender, text, qryContaCDPICTCONT);
}

#include "ChequeCriteria.h"

#include "Cli_klx47306.h"
#include "controls/Pesqlista.h"
#include "controls/TButtonFlat.h"
#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TDateEditPlus.h"
#include "controls/TMaskEdit.h"
#include "controls/TRadioButton.h"
#include "data/Dbgeral.h"

#include <optional>

namespace {

const QString listChoice = QStringLiteral("lista");
const QString allChoice = QStringLiteral("todas");

// The status boxes by the names the criteria use.
QList<QPair<QString, TCheckBox*>> stateBoxes(const TfrmCheque& form)
{
    return {{QStringLiteral("emitido"), form.chbEmit},
            {QStringLiteral("cancelado"), form.chbCanc},
            {QStringLiteral("disponivel"), form.chbDisp}};
}

// The range fields by the names the criteria use, in the order a user fills them.
QList<QPair<QString, TMaskEdit*>> rangeFields(const TfrmCheque& form)
{
    return {{QStringLiteral("emission-from"), form.depEmissaoIni},
            {QStringLiteral("emission-to"), form.depEmissaoFin},
            {QStringLiteral("clearing-from"), form.depCompensacaoIni},
            {QStringLiteral("clearing-to"), form.depCompensacaoFin},
            {QStringLiteral("check-from"), form.medChequeIni},
            {QStringLiteral("check-to"), form.medChequeFin}};
}

QString shown(const QStringList& codes)
{
    QStringList trimmed;
    for (const QString& code : codes)
        trimmed << code.trimmed();
    return trimmed.join(QStringLiteral(", "));
}

// Runs the group's search as the user would and answers its picker with the saved codes
// among those offered; returns the saved codes that are offered no more.
QStringList pickSaved(TfrmCheque& form, void (TfrmCheque::*search)(TObject*), TButtonFlat* button,
                      const QStringList& saved)
{
    QStringList dropped = saved;
    const Pesqlista::ScopedImplementation answer([&](const Pesqlista::Request& request) {
        QStringList marked;
        for (const QString& key : request.table.keys)
            if (saved.contains(key))
                marked << key;
        dropped.clear();
        for (const QString& code : saved)
            if (!marked.contains(code))
                dropped << code;
        return std::optional<QStringList>(marked);
    });
    (form.*search)(button);
    return dropped;
}

// Chooses "Todas" or "Lista" (picking the saved codes) in one group.
QStringList applyList(TfrmCheque& form, const QVariant& choice, const QVariant& codes,
                      TRadioButton* all, TRadioButton* list, TButtonFlat* button,
                      void (TfrmCheque::*search)(TObject*))
{
    if (choice.toString() == allChoice) {
        all->SetChecked(true);
        return {};
    }
    if (choice.toString() != listChoice)
        return {};
    list->SetChecked(true);
    return pickSaved(form, search, button, Dbgeral::codesOf(codes.toString()));
}

void applyStates(const TfrmCheque& form, const QStringList& wanted)
{
    // Boxes to check first, so the status group never passes through "none".
    for (const bool checking : {true, false})
        for (const auto& [state, box] : stateBoxes(form)) {
            const bool on = wanted.contains(state);
            if (on == checking && box->Checked() != on && box->isEnabled())
                box->SetChecked(on);
        }
}

void applyFields(const TfrmCheque& form, const QVariantMap& criteria)
{
    // The numbers are emptied first, so that leaving the first one never compares it with
    // a number the set does not hold.
    for (TMaskEdit* number : {form.medChequeIni, form.medChequeFin})
        if (number->isEnabled() && criteria.contains(QStringLiteral("check-from")))
            number->SetText(QString());
    for (const auto& [name, field] : rangeFields(form)) {
        if (!criteria.contains(name) || !field->isEnabled())
            continue;
        field->SetText(criteria.value(name).toString());
        if (field->OnExit)
            field->OnExit(field);
    }
}

} // namespace

QVariantMap ChequeCriteria::capture(const TfrmCheque& form)
{
    QVariantMap criteria;
    criteria.insert(QStringLiteral("report"), form.cbbReportNames->GetItemIndex());
    const bool companyList = form.rdgLista->Checked();
    criteria.insert(QStringLiteral("companies"), companyList ? listChoice : allChoice);
    if (companyList)
        criteria.insert(QStringLiteral("company-codes"), stListaEmpresa);
    const bool accountList = form.rdgListaConta->Checked();
    criteria.insert(QStringLiteral("accounts"), accountList ? listChoice : allChoice);
    if (accountList)
        criteria.insert(QStringLiteral("account-codes"), stListaConta);
    QStringList states;
    for (const auto& [state, box] : stateBoxes(form))
        if (box->Checked())
            states << state;
    criteria.insert(QStringLiteral("states"), states.join(QLatin1Char(',')));
    for (const auto& [name, field] : rangeFields(form))
        criteria.insert(name, field->GetText());
    criteria.insert(QStringLiteral("reconciliation"), form.cbbConciliacao->GetItemIndex());
    return criteria;
}

QStringList ChequeCriteria::apply(TfrmCheque& form, const QVariantMap& criteria)
{
    QStringList notices;
    if (criteria.contains(QStringLiteral("report"))) {
        const int report = criteria.value(QStringLiteral("report")).toInt();
        if (report >= 0 && report < form.cbbReportNames->count())
            form.cbbReportNames->SelectByUser(report);
        else
            notices << QStringLiteral("O relatório %1 do filtro não está na lista; ficou o "
                                      "relatório escolhido.")
                           .arg(report);
    }
    if (criteria.contains(QStringLiteral("states")))
        applyStates(form, criteria.value(QStringLiteral("states"))
                              .toString()
                              .split(QLatin1Char(','), Qt::SkipEmptyParts));
    const QStringList companies =
        applyList(form, criteria.value(QStringLiteral("companies")),
                  criteria.value(QStringLiteral("company-codes")), form.rdgTodos, form.rdgLista,
                  form.sbtLista, &TfrmCheque::sbtListaClick);
    const QStringList accounts =
        applyList(form, criteria.value(QStringLiteral("accounts")),
                  criteria.value(QStringLiteral("account-codes")), form.rdgTodasContas,
                  form.rdgListaConta, form.sbtConta, &TfrmCheque::sbtContaClick);
    applyFields(form, criteria);
    if (criteria.contains(QStringLiteral("reconciliation")) && form.cbbConciliacao->isEnabled())
        form.cbbConciliacao->SelectByUser(criteria.value(QStringLiteral("reconciliation")).toInt());

    QStringList dropped;
    if (!companies.isEmpty())
        dropped << QStringLiteral("empresas %1").arg(shown(companies));
    if (!accounts.isEmpty())
        dropped << QStringLiteral("contas %1").arg(shown(accounts));
    if (!dropped.isEmpty())
        notices << QStringLiteral("Códigos que não são mais oferecidos foram retirados do filtro: "
                                  "%1.")
                       .arg(dropped.join(QStringLiteral("; ")));
    return notices;
}

#include "ChequeCriteria.h"

#include "Cli_klx47306.h"
#include "base/Consiste.h"
#include "base/DateRules.h"
#include "controls/Pesqlista.h"
#include "controls/TButtonFlat.h"
#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TDateEditPlus.h"
#include "controls/TMaskEdit.h"
#include "controls/TRadioButton.h"
#include "data/Dbgeral.h"
#include "data/LoginContext.h"

#include <QFileInfo>
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

// The date a set's date criterion gives: a rule on the processing date, a date as written;
// a text that is neither goes to the field as it is, where the field's checks judge it.
QString dateText(const QString& written, const QDate& processing)
{
    const QDate today = QDate::currentDate();
    const auto rule = DateRules::parse(written, today);
    if (!rule)
        return written;
    return DateRules::word({DateRules::Kind::Fixed, DateRules::resolve(*rule, processing, today)});
}

// The report the set names, by its file name with its title as a check; -1 when the list
// holds it no more.
int reportIndex(const TfrmCheque& form, const QString& file, const QString& title)
{
    const QList<ReportCatalog::Entry>& reports = form.Reports();
    for (int i = 0; i < reports.size(); ++i)
        if (QFileInfo(reports.at(i).filePath).fileName() == file && reports.at(i).title() == title)
            return i;
    return -1;
}

void applyReport(TfrmCheque& form, const QVariantMap& criteria)
{
    const QString file = criteria.value(QStringLiteral("report-file")).toString();
    const QString title = criteria.value(QStringLiteral("report-title")).toString();
    const int index = reportIndex(form, file, title);
    if (index < 0)
        Consiste::MensErro(QStringLiteral("O relatório \"%1\" (%2) do filtro não está mais na "
                                          "lista; o filtro não foi carregado.")
                               .arg(title, file),
                           true);
    form.cbbReportNames->SelectByUser(index);
}

void applyFields(const TfrmCheque& form, const QVariantMap& criteria)
{
    const QStringList dates = ChequeCriteria::dateNames();
    const QDate processing = DateTime::toDate(DataProc(FiliProc()));
    // The numbers are emptied first, so that leaving the first one never compares it with
    // a number the set does not hold.
    for (TMaskEdit* number : {form.medChequeIni, form.medChequeFin})
        if (number->isEnabled() && criteria.contains(QStringLiteral("check-from")))
            number->SetText(QString());
    for (const auto& [name, field] : rangeFields(form)) {
        if (!criteria.contains(name) || !field->isEnabled())
            continue;
        const QString value = criteria.value(name).toString();
        field->SetText(dates.contains(name) ? dateText(value, processing) : value);
        if (field->OnExit)
            field->OnExit(field);
    }
}

} // namespace

QStringList ChequeCriteria::dateNames()
{
    return {QStringLiteral("emission-from"), QStringLiteral("emission-to"),
            QStringLiteral("clearing-from"), QStringLiteral("clearing-to")};
}

QVariantMap ChequeCriteria::capture(const TfrmCheque& form)
{
    QVariantMap criteria;
    const int report = form.cbbReportNames->GetItemIndex();
    if (report >= 0 && report < form.Reports().size()) {
        const ReportCatalog::Entry& entry = form.Reports().at(report);
        criteria.insert(QStringLiteral("report-file"), QFileInfo(entry.filePath).fileName());
        criteria.insert(QStringLiteral("report-title"), entry.title());
    }
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
    // A set saved by an earlier version names its report by its place in the list, which
    // moves as definitions come and go: it is refused rather than trusted.
    if (criteria.contains(QStringLiteral("report")) &&
        !criteria.contains(QStringLiteral("report-file")))
        Consiste::MensErro(QStringLiteral("O filtro indica o relatório só pela posição na lista; "
                                          "escolha o relatório e salve o filtro de novo."),
                           true);
    if (criteria.contains(QStringLiteral("report-file")))
        applyReport(form, criteria);
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

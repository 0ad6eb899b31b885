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

using ChequeCriteria::Mode;
using ChequeCriteria::Refusal;

const QString listChoice = QStringLiteral("lista");
const QString allChoice = QStringLiteral("todas");

// The status boxes by the names the criteria use.
QList<QPair<QString, TCheckBox*>> stateBoxes(const TfrmCheque& form)
{
    const QStringList names = ChequeCriteria::stateNames();
    return {{names.at(0), form.chbEmit}, {names.at(1), form.chbCanc}, {names.at(2), form.chbDisp}};
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

// The date a date criterion gives: a rule on the processing date, a date as written; a text
// that is neither goes to the field as it is, where the field's checks judge it.
QString dateText(const QString& written, const QDate& processing)
{
    const QDate today = QDate::currentDate();
    const auto rule = DateRules::parse(written, today);
    if (!rule)
        return written;
    return DateRules::word({DateRules::Kind::Fixed, DateRules::resolve(*rule, processing, today)});
}

// The report a set names, by its file name with its title as a check; -1 when the list holds
// it no more.
int reportIndex(const TfrmCheque& form, const QString& file, const QString& title)
{
    const QList<ReportCatalog::Entry>& reports = form.Reports();
    for (int i = 0; i < reports.size(); ++i)
        if (QFileInfo(reports.at(i).filePath).fileName() == file && reports.at(i).title() == title)
            return i;
    return -1;
}

// One company or account group: its radio buttons, search and the criteria that name it.
struct ListGroup {
    QString choice; // "companies" or "accounts"
    QString codes;  // "company-codes" or "account-codes"
    TRadioButton* all;
    TRadioButton* list;
    TButtonFlat* button;
    void (TfrmCheque::*search)(TObject*);
};

// One run of apply: the criteria, one step per group of controls.
class Applier {
public:
    Applier(TfrmCheque& form, const QVariantMap& criteria, Mode mode)
        : m_form(form), m_criteria(criteria), m_mode(mode)
    {
    }

    QStringList run();

private:
    bool has(const char* name) const { return m_criteria.contains(QLatin1String(name)); }
    QString text(const char* name) const
    {
        return m_criteria.value(QLatin1String(name)).toString();
    }
    // Whether the control takes its criterion: an enabled one does; a disabled one keeps its
    // value in a set and refuses asked criteria.
    bool takes(const QWidget* control, const QString& criterion) const;
    void applyReport();
    void selectReportAt(int index);
    void applyStates();
    // "Todas", or "Lista" with the codes picked; returns the codes a set could not pick.
    QStringList applyList(const ListGroup& group);
    QStringList pick(const ListGroup& group, const QStringList& codes);
    void applyFields();
    void applyReconciliation();

    TfrmCheque& m_form;
    const QVariantMap& m_criteria;
    const Mode m_mode;
};

bool Applier::takes(const QWidget* control, const QString& criterion) const
{
    if (control->isEnabled())
        return true;
    if (m_mode == Mode::Asked)
        throw Refusal{criterion, QStringLiteral("o campo está desabilitado na tela com estes "
                                                "critérios")};
    return false;
}

void Applier::applyReport()
{
    // A set saved by an earlier version names its report by its place in the list, which
    // moves as definitions come and go: it is refused rather than trusted.
    if (has("report") && !has("report-file"))
        Consiste::MensErro(QStringLiteral("O filtro indica o relatório só pela posição na lista; "
                                          "escolha o relatório e salve o filtro de novo."),
                           true);
    if (has("report-index"))
        selectReportAt(m_criteria.value(QStringLiteral("report-index")).toInt());
    if (!has("report-file"))
        return;
    const QString file = text("report-file");
    const QString title = text("report-title");
    const int index = reportIndex(m_form, file, title);
    if (index < 0)
        Consiste::MensErro(QStringLiteral("O relatório \"%1\" (%2) do filtro não está mais na "
                                          "lista; o filtro não foi carregado.")
                               .arg(title, file),
                           true);
    m_form.cbbReportNames->SelectByUser(index);
}

void Applier::selectReportAt(int index)
{
    const int count = m_form.cbbReportNames->count();
    if (index >= count)
        throw Refusal{QStringLiteral("report"),
                      QStringLiteral("não há relatório %1; a lista tem %2 (0 a %3)")
                          .arg(index)
                          .arg(count)
                          .arg(count - 1)};
    m_form.cbbReportNames->SelectByUser(index);
}

void Applier::applyStates()
{
    if (!has("states"))
        return;
    const QStringList wanted = text("states").split(QLatin1Char(','), Qt::SkipEmptyParts);
    // Boxes to check first, so the status group never passes through "none".
    for (const bool checking : {true, false})
        for (const auto& [state, box] : stateBoxes(m_form)) {
            const bool on = wanted.contains(state);
            if (on == checking && box->Checked() != on && takes(box, QStringLiteral("states")))
                box->SetChecked(on);
        }
}

QStringList Applier::applyList(const ListGroup& group)
{
    const QString choice = m_criteria.value(group.choice).toString();
    if (choice == allChoice && takes(group.all, group.choice))
        group.all->SetChecked(true);
    if (choice != listChoice || !takes(group.list, group.choice))
        return {};
    group.list->SetChecked(true);
    return pick(group, Dbgeral::codesOf(m_criteria.value(group.codes).toString()));
}

// Runs the group's search as the user would and answers its picker with the codes among
// those offered. Asked codes must all be offered, or nothing is picked.
QStringList Applier::pick(const ListGroup& group, const QStringList& codes)
{
    std::optional<Pesqlista::Marking> answer;
    QStringList offered;
    const Pesqlista::ScopedImplementation picker([&](const Pesqlista::Request& request) {
        answer = Pesqlista::mark(request, codes);
        for (const QString& key : request.table.keys)
            offered << key.trimmed();
        if (m_mode == Mode::Asked && !answer->missing.isEmpty())
            return std::optional<QStringList>();
        return std::optional<QStringList>(answer->marked);
    });
    (m_form.*group.search)(group.button);
    if (m_mode == Mode::Saved)
        return answer ? answer->missing : codes;
    if (!answer)
        throw Refusal{group.choice, QStringLiteral("a tela não abriu a lista")};
    if (!answer->missing.isEmpty())
        throw Refusal{group.choice,
                      QStringLiteral("%1 fora da lista da tela (disponíveis: %2)")
                          .arg(answer->missing.join(QStringLiteral(", ")),
                               offered.isEmpty() ? QStringLiteral("nenhum")
                                                 : offered.join(QStringLiteral(", ")))};
    return {};
}

void Applier::applyFields()
{
    const QStringList dates = ChequeCriteria::dateNames();
    const QDate processing = DateTime::toDate(DataProc(FiliProc()));
    // A set's numbers are emptied first, so that leaving the first one never compares it
    // with a number the set does not hold.
    if (m_mode == Mode::Saved && has("check-from"))
        for (TMaskEdit* number : {m_form.medChequeIni, m_form.medChequeFin})
            if (number->isEnabled())
                number->SetText(QString());
    for (const auto& [name, field] : rangeFields(m_form)) {
        if (!m_criteria.contains(name) || !takes(field, name))
            continue;
        const QString value = m_criteria.value(name).toString();
        field->SetText(dates.contains(name) ? dateText(value, processing) : value);
        if (field->OnExit)
            field->OnExit(field);
    }
}

void Applier::applyReconciliation()
{
    if (has("reconciliation") && takes(m_form.cbbConciliacao, QStringLiteral("reconciliation")))
        m_form.cbbConciliacao->SelectByUser(
            m_criteria.value(QStringLiteral("reconciliation")).toInt());
}

QStringList Applier::run()
{
    applyReport();
    applyStates();
    const QStringList companies =
        applyList({QStringLiteral("companies"), QStringLiteral("company-codes"), m_form.rdgTodos,
                   m_form.rdgLista, m_form.sbtLista, &TfrmCheque::sbtListaClick});
    const QStringList accounts = applyList(
        {QStringLiteral("accounts"), QStringLiteral("account-codes"), m_form.rdgTodasContas,
         m_form.rdgListaConta, m_form.sbtConta, &TfrmCheque::sbtContaClick});
    applyFields();
    applyReconciliation();

    QStringList dropped;
    if (!companies.isEmpty())
        dropped << QStringLiteral("empresas %1").arg(shown(companies));
    if (!accounts.isEmpty())
        dropped << QStringLiteral("contas %1").arg(shown(accounts));
    if (dropped.isEmpty())
        return {};
    return {QStringLiteral("Códigos que não são mais oferecidos foram retirados do filtro: %1.")
                .arg(dropped.join(QStringLiteral("; ")))};
}

} // namespace

QStringList ChequeCriteria::dateNames()
{
    return {QStringLiteral("emission-from"), QStringLiteral("emission-to"),
            QStringLiteral("clearing-from"), QStringLiteral("clearing-to")};
}

QStringList ChequeCriteria::stateNames()
{
    return {QStringLiteral("emitido"), QStringLiteral("cancelado"), QStringLiteral("disponivel")};
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

QStringList ChequeCriteria::apply(TfrmCheque& form, const QVariantMap& criteria, Mode mode)
{
    return Applier(form, criteria, mode).run();
}

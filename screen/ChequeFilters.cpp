// The check screen's named criteria sets ("Filtros") and the criteria of its last report.
#include "Cli_klx47306.h"

#include "ChequeCriteria.h"
#include "base/Consiste.h"
#include "base/Dispatcher.h"
#include "controls/TButtonFlat.h"
#include "controls/TDateEditPlus.h"
#include "controls/TLabel.h"
#include "data/LoginContext.h"
#include "form/CommandShortcuts.h"
#include "form/CriteriaSetDialog.h"
#include "form/CriteriaSets.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>

namespace {

CriteriaSets criteriaSetsOf(const TfrmCheque& form)
{
    return CriteriaSets(form.lblCodTela->text(), Operador());
}

// The sets Ctrl+1 to Ctrl+9 load.
constexpr int quickSets = 9;

QKeySequence quickKey(int index)
{
    return QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + index));
}

} // namespace

void TfrmCheque::setUpFilters()
{
    auto* filters = new QMenu(sbtFiltros);
    filters->setObjectName(QStringLiteral("mnuFiltros"));
    connect(filters, &QMenu::aboutToShow, this, [this, filters] { fillFiltersMenu(filters); });
    sbtFiltros->setMenu(filters);
    sbtFiltros->setPopupMode(QToolButton::InstantPopup);
    m_filterShortcut = new CommandShortcuts(
        this, {{sbtFiltros, tr("&Filtros"), {QKeySequence(Qt::CTRL | Qt::Key_L)}, tr("Ctrl+L")}});
    for (int i = 0; i < quickSets; ++i) {
        auto* load = new QAction(this);
        load->setObjectName(QStringLiteral("loadCriteriaSet%1").arg(i + 1));
        load->setShortcut(quickKey(i));
        load->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(load, &QAction::triggered, this, [this, i] { loadCriteriaSetAt(i); });
        addAction(load);
    }
}

QList<QAction*> TfrmCheque::CommandActions() const
{
    return TfrmDadosGerRel::CommandActions() + m_filterShortcut->actions();
}

QStringList TfrmCheque::criteriaSetNames() const
{
    return criteriaSetsOf(*this).names();
}

void TfrmCheque::saveCriteriaSet(const QString& name, const QVariantMap& dateRules)
{
    if (name.trimmed().isEmpty())
        return;
    QVariantMap criteria = ChequeCriteria::capture(*this);
    for (auto rule = dateRules.cbegin(); rule != dateRules.cend(); ++rule)
        criteria.insert(rule.key(), rule.value());
    criteriaSetsOf(*this).save(name.trimmed(), criteria);
    StatusMessage(tr("Filtro \"%1\" salvo.").arg(name.trimmed()));
}

bool TfrmCheque::loadCriteriaSet(const QString& name)
{
    const QVariantMap criteria = criteriaSetsOf(*this).load(name);
    if (criteria.isEmpty()) {
        Consiste::ShowError(QStringLiteral("Não há filtro com o nome '%1'.").arg(name));
        return false;
    }
    return applyCriteria(criteria, ChequeCriteria::Mode::Saved);
}

void TfrmCheque::loadCriteriaSetAt(int index)
{
    const QStringList names = criteriaSetNames();
    if (index < names.size())
        loadCriteriaSet(names.at(index));
}

void TfrmCheque::deleteCriteriaSet(const QString& name)
{
    criteriaSetsOf(*this).remove(name);
}

bool TfrmCheque::restoreLastCriteria()
{
    const QVariantMap criteria = criteriaSetsOf(*this).last();
    if (criteria.isEmpty()) {
        Consiste::ShowError(QStringLiteral("Nenhum relatório foi emitido nesta tela ainda."));
        return false;
    }
    return applyCriteria(criteria, ChequeCriteria::Mode::Saved);
}

void TfrmCheque::ReportCommandDone(ReportAction action)
{
    if (action != ReportAction::Edit)
        criteriaSetsOf(*this).saveLast(ChequeCriteria::capture(*this));
}

void TfrmCheque::ReportRenamed(const QString& fileName, const QString& oldTitle,
                               const QString& newTitle)
{
    const auto renamed = [&](QVariantMap criteria) {
        if (criteria.value(QStringLiteral("report-file")).toString() != fileName ||
            criteria.value(QStringLiteral("report-title")).toString() != oldTitle)
            return QVariantMap();
        criteria.insert(QStringLiteral("report-title"), newTitle);
        return criteria;
    };
    CriteriaSets sets = criteriaSetsOf(*this);
    for (const QString& name : sets.names())
        if (const QVariantMap set = renamed(sets.load(name)); !set.isEmpty())
            sets.save(name, set);
    if (const QVariantMap last = renamed(sets.last()); !last.isEmpty())
        sets.saveLast(last);
}

bool TfrmCheque::applyCriteria(const QVariantMap& criteria, ChequeCriteria::Mode mode,
                               std::optional<ChequeCriteria::Refusal>* refusal)
{
    bool applied = false;
    QStringList notices;
    Dispatcher::run([&] {
        try {
            notices = ChequeCriteria::apply(*this, criteria, mode);
            applied = true;
        } catch (const ChequeCriteria::Refusal& refused) {
            if (refusal)
                *refusal = refused;
        }
    });
    for (const QString& notice : std::as_const(notices))
        Consiste::ShowError(notice);
    return applied;
}

void TfrmCheque::fillFiltersMenu(QMenu* menu)
{
    menu->clear();
    const QStringList names = criteriaSetNames();
    menu->addAction(tr("&Salvar critérios como..."), this, &TfrmCheque::askAndSaveCriteriaSet);
    QMenu* load = menu->addMenu(tr("&Carregar"));
    QMenu* remove = menu->addMenu(tr("&Excluir"));
    for (int i = 0; i < names.size(); ++i) {
        const QString name = names.at(i);
        QString text = name;
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* loadOne = load->addAction(text, this, [this, name] { loadCriteriaSet(name); });
        if (i < quickSets)
            loadOne->setShortcut(quickKey(i));
        remove->addAction(text, this, [this, name] {
            if (QMessageBox::question(this, tr("Filtros"),
                                      tr("Excluir o filtro '%1'?").arg(name)) == QMessageBox::Yes)
                deleteCriteriaSet(name);
        });
    }
    load->setEnabled(!names.isEmpty());
    remove->setEnabled(!names.isEmpty());
    menu->addSeparator();
    QAction* restore = menu->addAction(tr("&Restaurar últimos critérios"), this,
                                       [this] { restoreLastCriteria(); });
    restore->setEnabled(!criteriaSetsOf(*this).last().isEmpty());
}

void TfrmCheque::askAndSaveCriteriaSet()
{
    QList<CriteriaSetDialog::DateField> dates;
    const QList<QPair<TDateEditPlus*, QString>> fields{{depEmissaoIni, tr("Emissão de")},
                                                       {depEmissaoFin, tr("Emissão até")},
                                                       {depCompensacaoIni, tr("Compensação de")},
                                                       {depCompensacaoFin, tr("Compensação até")}};
    const QStringList names = ChequeCriteria::dateNames();
    for (int i = 0; i < fields.size(); ++i)
        if (fields.at(i).first->isEnabled())
            dates << CriteriaSetDialog::DateField{names.at(i), fields.at(i).second,
                                                  fields.at(i).first->GetText()};
    CriteriaSetDialog dialog(dates, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString name = dialog.name();
    if (criteriaSetNames().contains(name) &&
        QMessageBox::question(this, tr("Filtros"),
                              tr("Já existe o filtro '%1'. Substituir?").arg(name)) !=
            QMessageBox::Yes)
        return;
    saveCriteriaSet(name, dialog.rules());
}

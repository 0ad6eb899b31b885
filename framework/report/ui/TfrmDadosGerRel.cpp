#include "report/ui/TfrmDadosGerRel.h"

#include "base/Consiste.h"
#include "base/TMessages.h"
#include "controls/TBevel.h"
#include "controls/TButtonFlat.h"
#include "controls/TComboBox.h"
#include "controls/TGroupBox.h"
#include "controls/TLabel.h"
#include "controls/TPanel.h"
#include "controls/TPopupMenu.h"
#include "controls/TSaveDialog.h"
#include "form/CommandShortcuts.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

TfrmDadosGerRel::TfrmDadosGerRel(QWidget* parent) : TForm(parent) {}

QStringList TfrmDadosGerRel::descriptionResources() const
{
    return {QStringLiteral(":/framework/TfrmDadosGerRel.json")};
}

void TfrmDadosGerRel::publishHandlers(HandlerTable& table)
{
    TForm::publishHandlers(table);
    table.notify.insert(QStringLiteral("FormCreate"), [this](TObject* s) { FormCreate(s); });
    table.notify.insert(QStringLiteral("FormActivate"), [this](TObject* s) { FormActivate(s); });
    table.close.insert(QStringLiteral("FormClose"),
                       [this](TObject* s, TCloseAction& a) { FormClose(s, a); });
    table.notify.insert(QStringLiteral("sbtPrintClick"), [this](TObject* s) { sbtPrintClick(s); });
    table.notify.insert(QStringLiteral("sbtPreviewClick"),
                        [this](TObject* s) { sbtPreviewClick(s); });
    table.notify.insert(QStringLiteral("sbtSalvarComoClick"),
                        [this](TObject* s) { sbtSalvarComoClick(s); });
    table.notify.insert(QStringLiteral("sbtReportEditClick"),
                        [this](TObject* s) { sbtReportEditClick(s); });
    table.notify.insert(QStringLiteral("mniSalvarPdfClick"),
                        [this](TObject* s) { mniSalvarPdfClick(s); });
    table.notify.insert(QStringLiteral("mniSalvarCsvClick"),
                        [this](TObject* s) { mniSalvarCsvClick(s); });
    table.notify.insert(QStringLiteral("mniEditarClick"),
                        [this](TObject* s) { mniEditarClick(s); });
    table.notify.insert(QStringLiteral("mniAtualizarListaClick"),
                        [this](TObject* s) { mniAtualizarListaClick(s); });
    table.notify.insert(QStringLiteral("mniRenomearClick"),
                        [this](TObject* s) { mniRenomearClick(s); });
    table.notify.insert(QStringLiteral("mniExcluirClick"),
                        [this](TObject* s) { mniExcluirClick(s); });
}

void TfrmDadosGerRel::bindComponents()
{
    lblCodTela = component<TLabel>(QStringLiteral("lblCodTela"));
    grbDadosRel = component<TGroupBox>(QStringLiteral("grbDadosRel"));
    bvlSeparator = component<TBevel>(QStringLiteral("bvlSeparator"));
    panRelat = component<TPanel>(QStringLiteral("panRelat"));
    lblRelat = component<TLabel>(QStringLiteral("lblRelat"));
    cbbReportNames = component<TComboBox>(QLatin1String(ReportFormControls::reportList));
    panMenu = component<TPanel>(QStringLiteral("panMenu"));
    lblCodRel = component<TLabel>(QStringLiteral("lblCodRel"));
    sbtPrint = component<TButtonFlat>(QLatin1String(ReportFormControls::print));
    sbtPreview = component<TButtonFlat>(QLatin1String(ReportFormControls::preview));
    sbtSalvarComo = component<TButtonFlat>(QLatin1String(ReportFormControls::saveAs));
    sbtReportEdit = component<TButtonFlat>(QLatin1String(ReportFormControls::edit));
    msgPadrao = component<TMessages>(QStringLiteral("msgPadrao"));
    msgMensagens = component<TMessages>(QStringLiteral("msgMensagens"));
    rpddPadrao = component<TReportDesignerDialog>(QStringLiteral("rpddPadrao"));
    ppmSalvarRelatorio = component<TPopupMenu>(QStringLiteral("ppmSalvarRelatorio"));
    ppmEditReport = component<TPopupMenu>(QStringLiteral("ppmEditReport"));
    svdSaveReport = component<TSaveDialog>(QStringLiteral("svdSaveReport"));
    m_commandShortcuts = new CommandShortcuts(
        this,
        {{sbtPrint, tr("&Imprimir"), {QKeySequence(Qt::CTRL | Qt::Key_P)}, tr("Ctrl+P")},
         {sbtPreview,
          tr("&Visualizar"),
          {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return),
           QKeySequence(Qt::CTRL | Qt::Key_Enter)},
          tr("F5 ou Ctrl+Enter")},
         {sbtSalvarComo, tr("&Salvar como..."), {QKeySequence(Qt::CTRL | Qt::Key_S)}, tr("Ctrl+S")},
         {sbtReportEdit,
          tr("&Editar relatório..."),
          {QKeySequence(Qt::CTRL | Qt::Key_E)},
          tr("Ctrl+E")}});
}

QList<QAction*> TfrmDadosGerRel::CommandActions() const
{
    return m_commandShortcuts ? m_commandShortcuts->actions() : QList<QAction*>();
}

void TfrmDadosGerRel::FormCreate(TObject*)
{
    loadReportList();
}

void TfrmDadosGerRel::FormActivate(TObject*)
{
    // Another screen may have saved a new definition of this report code meanwhile.
    loadReportList();
}

void TfrmDadosGerRel::FormClose(TObject*, TCloseAction& action)
{
    action = TCloseAction::caFree;
}

void TfrmDadosGerRel::loadReportList()
{
    m_reports = ReportCatalog::load(lblCodRel->text());
    // A definition that does not read keeps its place, marked, its error as the item's tip.
    QStringList titles;
    for (const ReportCatalog::Entry& report : std::as_const(m_reports))
        titles << (report.broken() ? QStringLiteral("⚠ %1 (definição com erro)").arg(report.title())
                                   : report.title());
    QStringList shown;
    for (int i = 0; i < cbbReportNames->count(); ++i)
        shown << cbbReportNames->itemText(i);
    if (titles == shown)
        return;
    const QString selected = cbbReportNames->currentText();
    cbbReportNames->clear();
    cbbReportNames->addItems(titles);
    for (int i = 0; i < m_reports.size(); ++i)
        if (m_reports.at(i).broken())
            cbbReportNames->setItemData(i, m_reports.at(i).error, Qt::ToolTipRole);
    const int index = titles.indexOf(selected);
    cbbReportNames->SetItemIndex(index >= 0 ? index : (titles.isEmpty() ? -1 : 0));
}

const ReportDefinition& TfrmDadosGerRel::SelectedReport()
{
    const int index = cbbReportNames->GetItemIndex();
    if (index < 0 || index >= m_reports.size())
        reportFileMissing();
    if (m_reports.at(index).broken())
        Consiste::MensErro(m_reports.at(index).error, true);
    return m_reports.at(index).definition;
}

QString TfrmDadosGerRel::ReportKind(int index) const
{
    return index >= 0 && index < m_reports.size() ? m_reports.at(index).definition.kind : QString();
}

void TfrmDadosGerRel::reportFileMissing() const
{
    Consiste::MensErro(TMessages::Format(message(QStringLiteral("Arq_Rel_Err")),
                                         {lblCodRel->text(),
                                          QDir::toNativeSeparators(ReportCatalog::directory())}),
                       true);
}

QString TfrmDadosGerRel::screenCode() const
{
    return lblCodTela->text();
}

QString TfrmDadosGerRel::reportCode() const
{
    return lblCodRel->text();
}

QString TfrmDadosGerRel::message(const QString& key) const
{
    return msgPadrao->Contains(key) ? msgPadrao->Msg(key) : msgMensagens->Msg(key);
}

void TfrmDadosGerRel::closeEvent(QCloseEvent* event)
{
    if (rpddPadrao && rpddPadrao->IsRunning()) {
        event->ignore();
        return;
    }
    TForm::closeEvent(event);
}

void TfrmDadosGerRel::runCommand(ReportAction action)
{
    const ReportDefinition report = SelectedReport();
    if (rpddPadrao->IsRunning())
        return;
    ReportCommandRunner& runner = m_runner ? *m_runner : *rpddPadrao;
    if (!runner.Run(rpddPadrao->Prepare(action, report, *this), *this))
        return;
    const QString file = rpddPadrao->LastRun().file;
    if (action == ReportAction::SaveAs && !file.isEmpty())
        StatusMessage(tr("Relatório salvo em %1.").arg(QDir::toNativeSeparators(file)));
    else if (action == ReportAction::Edit)
        StatusMessage(tr("Relatório salvo."));
    ReportCommandDone(action);
}

void TfrmDadosGerRel::sbtPrintClick(TObject*)
{
    runCommand(ReportAction::Print);
}

void TfrmDadosGerRel::sbtPreviewClick(TObject*)
{
    runCommand(ReportAction::Preview);
}

void TfrmDadosGerRel::sbtSalvarComoClick(TObject*)
{
    runCommand(ReportAction::SaveAs);
}

void TfrmDadosGerRel::sbtReportEditClick(TObject*)
{
    runCommand(ReportAction::Edit);
}

void TfrmDadosGerRel::mniSalvarPdfClick(TObject*)
{
    svdSaveReport->FilterIndex = 0;
    sbtSalvarComoClick(sbtSalvarComo);
}

void TfrmDadosGerRel::mniSalvarCsvClick(TObject*)
{
    svdSaveReport->FilterIndex = 1;
    sbtSalvarComoClick(sbtSalvarComo);
}

void TfrmDadosGerRel::mniEditarClick(TObject*)
{
    sbtReportEditClick(sbtReportEdit);
}

void TfrmDadosGerRel::mniAtualizarListaClick(TObject*)
{
    loadReportList();
}

namespace {
// The user's own copy chosen in the list; aborts with a message for a shipped definition.
const ReportCatalog::Entry& ownCopy(const QList<ReportCatalog::Entry>& reports, int index)
{
    if (index < 0 || index >= reports.size() ||
        !ReportCatalog::isUsersOwn(reports.at(index).filePath))
        Consiste::MensErro(QStringLiteral("Só as suas cópias de relatórios podem ser renomeadas "
                                          "ou excluídas."),
                           true);
    return reports.at(index);
}
} // namespace

void TfrmDadosGerRel::mniRenomearClick(TObject*)
{
    const ReportCatalog::Entry report = ownCopy(m_reports, cbbReportNames->GetItemIndex());
    QInputDialog question(this);
    question.setWindowTitle(tr("Renomear relatório"));
    question.setLabelText(tr("Novo título do relatório:"));
    question.setTextValue(report.title());
    question.setMinimumWidth(460);
    if (question.exec() != QDialog::Accepted || question.textValue().simplified() == report.title())
        return;
    ReportCatalog::rename(lblCodRel->text(), report.filePath, question.textValue());
    const QString title = question.textValue().simplified();
    ReportRenamed(QFileInfo(report.filePath).fileName(), report.title(), title);
    loadReportList();
    cbbReportNames->SelectByUser(cbbReportNames->findText(title));
    StatusMessage(tr("Relatório renomeado para \"%1\".").arg(title));
}

void TfrmDadosGerRel::mniExcluirClick(TObject*)
{
    const ReportCatalog::Entry report = ownCopy(m_reports, cbbReportNames->GetItemIndex());
    if (QMessageBox::question(this, tr("Excluir relatório"),
                              tr("Excluir o relatório \"%1\"?").arg(report.title())) !=
        QMessageBox::Yes)
        return;
    ReportCatalog::remove(report.filePath);
    loadReportList();
    StatusMessage(tr("Relatório \"%1\" excluído.").arg(report.title()));
}

#pragma once

#include "controls/WidgetsExport.h"
#include "form/TForm.h"
#include "report/engine/ReportCatalog.h"
#include "report/ui/ReportHost.h"
#include "report/ui/TReportDesignerDialog.h"

class CommandShortcuts;
class QAction;
class TBevel;
class TButtonFlat;
class TComboBox;
class TGroupBox;
class TLabel;
class TMessages;
class TPanel;
class TPopupMenu;
class TSaveDialog;

// The names of the base form's controls in its description, for the screens that name them
// to their host.
namespace ReportFormControls {
inline constexpr char reportList[] = "cbbReportNames";
inline constexpr char print[] = "sbtPrint";
inline constexpr char preview[] = "sbtPreview";
inline constexpr char saveAs[] = "sbtSalvarComo";
inline constexpr char edit[] = "sbtReportEdit";
} // namespace ReportFormControls

// The base form of report filter screens: a report list of the form's report code, the
// print, preview, save-as and edit commands, message tables and the report engine.
class KLX_WIDGETS_EXPORT TfrmDadosGerRel : public TForm, public ReportHost {
    Q_OBJECT
public:
    explicit TfrmDadosGerRel(QWidget* parent = nullptr);

    TLabel* lblCodTela = nullptr;
    TGroupBox* grbDadosRel = nullptr;
    TBevel* bvlSeparator = nullptr;
    TPanel* panRelat = nullptr;
    TLabel* lblRelat = nullptr;
    TComboBox* cbbReportNames = nullptr;
    TPanel* panMenu = nullptr;
    TLabel* lblCodRel = nullptr;
    TButtonFlat* sbtPrint = nullptr;
    TButtonFlat* sbtPreview = nullptr;
    TButtonFlat* sbtSalvarComo = nullptr;
    TButtonFlat* sbtReportEdit = nullptr;
    TMessages* msgPadrao = nullptr;
    TMessages* msgMensagens = nullptr;
    TReportDesignerDialog* rpddPadrao = nullptr;
    TPopupMenu* ppmSalvarRelatorio = nullptr;
    TPopupMenu* ppmEditReport = nullptr;
    TSaveDialog* svdSaveReport = nullptr;

    virtual void FormCreate(TObject* sender);
    virtual void FormActivate(TObject* sender);
    virtual void FormClose(TObject* sender, TCloseAction& action);
    virtual void sbtPrintClick(TObject* sender);
    virtual void sbtPreviewClick(TObject* sender);
    virtual void sbtSalvarComoClick(TObject* sender);
    virtual void sbtReportEditClick(TObject* sender);
    // The save-as menu: the same command with the file type chosen first.
    void mniSalvarPdfClick(TObject* sender);
    void mniSalvarCsvClick(TObject* sender);
    // The edit menu: edit the report, or read the report definitions again.
    void mniEditarClick(TObject* sender);
    void mniAtualizarListaClick(TObject* sender);
    // The user's own copy chosen in the list: another title, or deleted (after asking).
    void mniRenomearClick(TObject* sender);
    void mniExcluirClick(TObject* sender);

    // The report chosen in the list; reports "Arq_Rel_Err" and aborts when there is none,
    // and a broken definition's error when that is the one chosen.
    const ReportDefinition& SelectedReport();
    // The definitions of the list, broken ones in their places.
    const QList<ReportCatalog::Entry>& Reports() const { return m_reports; }
    // The kind of the report at an index of the list; empty when it states none.
    QString ReportKind(int index) const;
    // Reports that the report's definition file is missing ("Arq_Rel_Err") and aborts.
    void reportFileMissing() const override;
    // The text of a message: the screen's table first, then the base form's own.
    QString message(const QString& key) const override;
    // Re-reads the report definitions of the form's report code, keeping the selection.
    void loadReportList() override;
    // The screen and report codes its labels show.
    QString screenCode() const override;
    QString reportCode() const override;
    TSaveDialog& saveDialogSettings() override { return *svdSaveReport; }
    QWidget* dialogParent() override { return this; }
    // Where the report commands go once the screen's checks passed: the form's own engine
    // (rpddPadrao) unless the owner of this form sets a runner of its own; nullptr restores
    // the engine. The runner must outlive its use by this form.
    void SetCommandRunner(ReportCommandRunner* runner) { m_runner = runner; }
    // The four commands as actions with their shortcuts (Ctrl+P print; F5 or Ctrl+Enter
    // preview; Ctrl+S save as; Ctrl+E edit): each presses its button, so the form's handler
    // of that command runs. The host shows them in its menu while the form is active.
    virtual QList<QAction*> CommandActions() const;

protected:
    // A report command did its work (the report shown, printed, saved, or the definition
    // saved); a command stopped short of it (a check, a cancel, a failure) comes not here.
    virtual void ReportCommandDone(ReportAction) {}
    // A user's copy was given another title, in its file of that name.
    virtual void ReportRenamed(const QString& /*fileName*/, const QString& /*oldTitle*/,
                               const QString& /*newTitle*/)
    {
    }
    QStringList descriptionResources() const override;
    void publishHandlers(HandlerTable& table) override;
    void bindComponents() override;
    // A form whose report is running stays open until the report ends or is cancelled.
    void closeEvent(QCloseEvent* event) override;

private:
    void runCommand(ReportAction action);

    QList<ReportCatalog::Entry> m_reports;
    ReportCommandRunner* m_runner = nullptr;
    CommandShortcuts* m_commandShortcuts = nullptr;
};

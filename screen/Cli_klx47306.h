#pragma once

#include "ChequeCriteria.h"
#include "base/Events.h"
#include "report/ui/TfrmDadosGerRel.h"

#include <QString>
#include <optional>

class CommandShortcuts;
class QMenu;
class TButtonFlat;
class TCheckBox;
class TComboBox;
class TADOIBQuery;
class TDataSource;
class TDateEditPlus;
class TField;
class TGroupBox;
class TLabel;
class TMaskEdit;
class TParams;
class TRadioButton;

// The check-list report filter screen, "Relação de Cheques".
class TfrmCheque : public TfrmDadosGerRel {
    Q_OBJECT
public:
    explicit TfrmCheque(QWidget* parent = nullptr);

    TGroupBox* grbEmpresa = nullptr;
    TRadioButton* rdgTodos = nullptr;
    TRadioButton* rdgLista = nullptr;
    TButtonFlat* sbtLista = nullptr;
    TLabel* lblListaEmpresa = nullptr;
    TGroupBox* grbContaCorrente = nullptr;
    TRadioButton* rdgTodasContas = nullptr;
    TRadioButton* rdgListaConta = nullptr;
    TButtonFlat* sbtConta = nullptr;
    TLabel* lblListaConta = nullptr;
    TGroupBox* grbEmissao = nullptr;
    TDateEditPlus* depEmissaoIni = nullptr;
    TDateEditPlus* depEmissaoFin = nullptr;
    TGroupBox* grbCompensacao = nullptr;
    TDateEditPlus* depCompensacaoIni = nullptr;
    TDateEditPlus* depCompensacaoFin = nullptr;
    TGroupBox* grbStatus = nullptr;
    TCheckBox* chbEmit = nullptr;
    TCheckBox* chbCanc = nullptr;
    TCheckBox* chbDisp = nullptr;
    TGroupBox* grbCheque = nullptr;
    TMaskEdit* medChequeIni = nullptr;
    TMaskEdit* medChequeFin = nullptr;
    TGroupBox* grbConc = nullptr;
    TLabel* lblConciliacao = nullptr;
    TComboBox* cbbConciliacao = nullptr;
    TADOIBQuery* qryEmpresa = nullptr;
    TDataSource* dtsEmpresa__ = nullptr;
    TADOIBQuery* qryConta = nullptr;
    TDataSource* dtsConta__ = nullptr;
    TField* qryContaCDPICTCONT = nullptr;
    TField* qryContaCDPICTAGEN = nullptr;
    TButtonFlat* sbtFiltros = nullptr;

    // Lifetime and activation.
    void FormCreate(TObject* sender) override;
    void FormActivate(TObject* sender) override;
    void FormClose(TObject* sender, TCloseAction& action) override;

    // Company and account choice.
    void rdgTodosClick(TObject* sender);
    void rdgListaClick(TObject* sender);
    void rdgTodasContasClick(TObject* sender);
    void rdgListaContaClick(TObject* sender);
    void rdgListaKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void rdgListaContaKeyDown(TObject* sender, quint16& key, TShiftState shift);
    void sbtListaClick(TObject* sender);
    void sbtContaClick(TObject* sender);

    // Check states and group enabling.
    void chbEmitClick(TObject* sender);
    void chbCancClick(TObject* sender);
    void chbDispClick(TObject* sender);
    void desabilita_grupos();
    void cbbReportNamesChange(TObject* sender);

    // Field exits.
    void depEmissaoIniExit(TObject* sender);
    void depEmissaoFinExit(TObject* sender);
    void depCompensacaoIniExit(TObject* sender);
    void depCompensacaoFinExit(TObject* sender);
    void medChequeIniExit(TObject* sender);
    void medChequeFinExit(TObject* sender);

    // Pre-run validation and the report commands.
    void vd_imp();
    void sbtPrintClick(TObject* sender) override;
    void sbtPreviewClick(TObject* sender) override;
    void sbtSalvarComoClick(TObject* sender) override;
    void sbtReportEditClick(TObject* sender) override;

    // Report query parameters.
    void rpddPadraoBeforeGetQueryParams(TParams* params, bool& handled);

    // Agency and account numbers in the layout of each account's bank.
    void qryContaCDAGENCIAGetText(TField* sender, QString& text, bool displayText);
    void qryContaCDCONTCORRGetText(TField* sender, QString& text, bool displayText);

    // Named criteria sets of the current operator ("Filtros"), and the criteria of the
    // last report run. Loading goes through the controls and handlers as a user would and
    // tells what it could not apply; it is false when a check of the screen stopped it.
    // A set keeps the dates shown, or for the dates named in dateRules the rule's word.
    Q_INVOKABLE QStringList criteriaSetNames() const;
    Q_INVOKABLE void saveCriteriaSet(const QString& name, const QVariantMap& dateRules = {});
    bool loadCriteriaSet(const QString& name);
    Q_INVOKABLE void deleteCriteriaSet(const QString& name);
    Q_INVOKABLE bool restoreLastCriteria();
    // Puts criteria on the screen (ChequeCriteria::apply) as one handler: false when a check
    // of the screen, an error or a refusal (given back in refusal) stopped it. What a set
    // could not apply is shown.
    bool applyCriteria(const QVariantMap& criteria, ChequeCriteria::Mode mode,
                       std::optional<ChequeCriteria::Refusal>* refusal = nullptr);
    // The picked accounts whose company is not in force, which the report leaves out.
    QList<ReportCriteria::Item> criteriaNotes() const override;
    // The report commands' actions and "Filtros" (Ctrl+L), for the host's menu.
    QList<QAction*> CommandActions() const override;

protected:
    // Keeps the criteria of a report printed, previewed or saved, for "Restaurar".
    void ReportCommandDone(ReportAction action) override;
    // The sets (and the last criteria) that name the renamed copy name it by its new title.
    void ReportRenamed(const QString& fileName, const QString& oldTitle,
                       const QString& newTitle) override;
    QStringList descriptionResources() const override;
    void publishHandlers(HandlerTable& table) override;
    void bindComponents() override;

private:
    // Shows next to each "Lista" what its code list holds.
    void showPicks();
    // The accounts picked with "Lista" whose company is not among the companies in force.
    QStringList accountsLeftOut(const QStringList& accounts) const;
    // The "Filtros" menu on its button and its key, and Ctrl+1 to Ctrl+9 loading the
    // first nine sets.
    void setUpFilters();
    void fillFiltersMenu(QMenu* menu);
    void askAndSaveCriteriaSet();
    void loadCriteriaSetAt(int index);
    void pickCodes(TADOIBQuery* query, TDataSource* source, const QString& keyField,
                   const QString& titleKey, QString& codes);
    void statusBoxClick(TCheckBox* box, const QString& token);
    // Fail with "DataIni_mai" / "Chequeini_mai" when both ends are given (both valid
    // dates) and inverted.
    void failIfDatesInverted(TDateEditPlus* initial, TDateEditPlus* final, QWidget* focusTarget);
    void failIfCheckNumbersInverted();
    void leaveFinalDate(TDateEditPlus* initial, TDateEditPlus* final, QWidget* focusTarget);
    void leaveCheckNumber(TMaskEdit* field);
    void adjustCheckNumberIfGiven(TMaskEdit* field);
    void requireCheckNumber(TMaskEdit* given, TMaskEdit* missing, const QString& key);
    // Moves the focus to the target (when given) and reports the key's message, aborting.
    void failWith(QWidget* focusTarget, const QString& key);

    CommandShortcuts* m_filterShortcut = nullptr;
};

#define KLX_MODULE_EXPORT Q_DECL_EXPORT

// Opens the screen: creates the form once, shows it and restores its window.
KLX_MODULE_EXPORT void CriaCheque();

// Module variables: they live as long as the module, not the form.
extern KLX_MODULE_EXPORT TfrmCheque* frmCheque;
extern KLX_MODULE_EXPORT bool boStCriado;
extern KLX_MODULE_EXPORT bool boPrimVez;
extern KLX_MODULE_EXPORT int inNumMarcado;
extern KLX_MODULE_EXPORT QString stStatusChq;
extern KLX_MODULE_EXPORT QString stListaEmpresa;
extern KLX_MODULE_EXPORT QString stListaTEmp;
extern KLX_MODULE_EXPORT QString stListaConta;

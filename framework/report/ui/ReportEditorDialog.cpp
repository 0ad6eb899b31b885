#include "report/ui/ReportEditorDialog.h"

#include "base/Consiste.h"
#include "base/Dispatcher.h"
#include "base/Exceptions.h"
#include "report/engine/ReportCatalog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ReportEditorDialog::ReportEditorDialog(const QString& reportCode, const ReportDefinition& original,
                                       const QString& text, TitleQuestion askTitle, QWidget* parent)
    : QDialog(parent), m_reportCode(reportCode), m_filePath(original.filePath),
      m_fileName(QFileInfo(original.filePath).fileName()), m_kind(original.kind),
      m_askTitle(std::move(askTitle)), m_editor(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("reportEditor"));
    setWindowTitle(QStringLiteral("Editar relatório — %1").arg(m_fileName));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    resize(900, 680);

    m_editor->setObjectName(QStringLiteral("definitionText"));
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setPlainText(text);

    const bool own = ReportCatalog::isUsersOwn(m_filePath);
    auto* hint = new QLabel(
        own ? QStringLiteral("\"%1\" é uma cópia sua: \"Salvar\" grava as alterações nela; "
                             "\"Salvar como novo\" grava outro relatório.")
                  .arg(m_fileName)
            : QStringLiteral("O relatório editado é gravado como um relatório novo "
                             "na sua pasta de relatórios (%1); \"%2\" não muda.")
                  .arg(QDir::toNativeSeparators(ReportCatalog::userDirectory()), m_fileName),
        this);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    if (own) {
        QPushButton* saveHere = buttons->addButton(QDialogButtonBox::Save);
        saveHere->setText(QStringLiteral("Salvar"));
        saveHere->setObjectName(QStringLiteral("saveInPlace"));
        connect(saveHere, &QPushButton::clicked, this, [this] {
            Dispatcher::run([this] {
                if (saveInPlace())
                    accept();
            });
        });
    }
    QPushButton* save =
        buttons->addButton(QStringLiteral("Salvar como novo…"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("saveAsNew"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Fechar"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_editor);
    layout->addWidget(buttons);

    connect(save, &QPushButton::clicked, this, [this] {
        Dispatcher::run([this] {
            if (saveAsNew())
                accept();
        });
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool ReportEditorDialog::saveInPlace()
{
    try {
        ReportCatalog::saveInPlace(m_reportCode, m_filePath, m_editor->toPlainText());
    } catch (const Exception& e) {
        Consiste::ShowError(e.Message());
        return false;
    }
    m_savedPath = m_filePath;
    m_editor->document()->setModified(false);
    return true;
}

void ReportEditorDialog::reject()
{
    if (m_editor->document()->isModified() &&
        QMessageBox::question(this, windowTitle(),
                              QStringLiteral("As alterações do relatório não foram salvas. "
                                             "Descartá-las?"),
                              QMessageBox::Discard | QMessageBox::Cancel,
                              QMessageBox::Cancel) != QMessageBox::Discard)
        return;
    QDialog::reject();
}

bool ReportEditorDialog::saveAsNew()
{
    // A definition that does not read, or cannot be written, shows its reason.
    const QString text = m_editor->toPlainText();
    try {
        const QString current = ReportDefinition::parse(text, m_fileName).title;
        const QString suggested = ReportCatalog::freeTitle(m_reportCode, current);
        const QString title = m_askTitle ? m_askTitle(this, suggested).simplified() : QString();
        if (title.isEmpty())
            return false;
        m_savedPath = ReportCatalog::saveAsNew(m_reportCode, text, title, m_kind);
        m_editor->document()->setModified(false);
        return true;
    } catch (const Exception& e) {
        Consiste::ShowError(e.Message());
        return false;
    }
}

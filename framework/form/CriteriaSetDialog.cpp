#include "form/CriteriaSetDialog.h"

#include "base/DateRules.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

CriteriaSetDialog::CriteriaSetDialog(const QList<DateField>& dates, QWidget* parent)
    : QDialog(parent), m_name(new QLineEdit(this))
{
    setObjectName(QStringLiteral("criteriaSetDialog"));
    setWindowTitle(tr("Salvar filtro"));
    m_name->setObjectName(QStringLiteral("criteriaSetName"));
    m_name->setMinimumWidth(280);
    auto* form = new QFormLayout;
    form->addRow(tr("&Nome do filtro:"), m_name);
    for (const DateField& field : dates) {
        auto* rule = new QComboBox(this);
        rule->setObjectName(field.name + QStringLiteral("-rule"));
        for (const DateRules::Rule& choice : DateRules::choices()) {
            QString text = DateRules::label(choice);
            if (choice.kind == DateRules::Kind::Fixed)
                text = field.shown.isEmpty() ? tr("Vazia") : tr("Fixa: %1").arg(field.shown);
            else if (choice.kind == DateRules::Kind::DaysBeforeProcessing)
                text = tr("Dias antes do processamento");
            rule->addItem(text, static_cast<int>(choice.kind));
        }
        auto* days = new QSpinBox(this);
        days->setObjectName(field.name + QStringLiteral("-days"));
        days->setRange(1, 3650);
        days->setSuffix(tr(" dias"));
        days->setEnabled(false);
        connect(rule, &QComboBox::currentIndexChanged, days, [rule, days] {
            days->setEnabled(rule->currentData().toInt() ==
                             static_cast<int>(DateRules::Kind::DaysBeforeProcessing));
        });
        auto* row = new QHBoxLayout;
        row->addWidget(rule, 1);
        row->addWidget(days);
        form->addRow(field.label + QLatin1Char(':'), row);
        m_rows << DateRow{field.name, rule, days};
    }
    auto* note = new QLabel(tr("Uma regra calcula a data ao carregar o filtro: as do mês contam "
                               "da data de processamento da filial, \"Hoje\" e \"Ontem\" do "
                               "calendário."),
                            this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    connect(m_name, &QLineEdit::textChanged, ok,
            [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

QString CriteriaSetDialog::name() const
{
    return m_name->text().trimmed();
}

QVariantMap CriteriaSetDialog::rules() const
{
    QVariantMap rules;
    for (const DateRow& row : m_rows) {
        const auto kind = static_cast<DateRules::Kind>(row.rule->currentData().toInt());
        if (kind != DateRules::Kind::Fixed)
            rules.insert(row.name, DateRules::word({kind, QDate(), row.days->value()}));
    }
    return rules;
}

#pragma once

#include "controls/WidgetsExport.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QComboBox;
class QLineEdit;
class QSpinBox;

// "Salvar critérios como...": the set's name and, for each date of the screen, whether the
// set keeps the date shown or a rule that gives the date when the set is loaded ("Início do
// mês anterior", "Hoje", "5 dias antes do processamento", ...).
class KLX_WIDGETS_EXPORT CriteriaSetDialog : public QDialog {
    Q_OBJECT
public:
    // A date of the screen: its criterion name, its label and the text it shows now.
    struct DateField {
        QString name;
        QString label;
        QString shown;
    };

    CriteriaSetDialog(const QList<DateField>& dates, QWidget* parent = nullptr);

    QString name() const;
    // The dates kept as rules, by criterion name, each as its rule's word; a date kept as
    // shown is not among them.
    QVariantMap rules() const;

private:
    struct DateRow {
        QString name;
        QComboBox* rule;
        QSpinBox* days;
    };

    QLineEdit* m_name;
    QList<DateRow> m_rows;
};

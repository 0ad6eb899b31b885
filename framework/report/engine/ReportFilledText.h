#pragma once

#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportFormat.h"

#include <QStringList>
#include <QVector>

// A text with {FIELD} placeholders (a group's heading or footer, a row's name), read once: the
// literal parts and the fields between them, filled from each row that needs it, each field
// shown as its format shows it.
class ReportFilledText {
public:
    ReportFilledText() = default;
    ReportFilledText(const QString& text, const QStringList& fields)
    {
        qsizetype from = 0;
        for (const ReportDefinition::Placeholder& placeholder :
             ReportDefinition::placeholders(text)) {
            m_literals << text.mid(from, placeholder.start - from);
            m_fields << static_cast<int>(fields.indexOf(placeholder.field.toUpper()));
            from = placeholder.end;
        }
        m_literals << text.mid(from);
    }

    bool isEmpty() const { return m_literals.size() == 1 && m_literals.first().isEmpty(); }

    // The text for the row; a placeholder of no field of the rows stays empty.
    QString operator()(const QList<ReportValueFormat>& formats, const QVector<QVariant>& row) const
    {
        QString result = m_literals.value(0);
        for (int i = 0; i < m_fields.size(); ++i) {
            const int field = m_fields.at(i);
            if (field >= 0 && field < row.size())
                result += ReportFormat::text(row.at(field), formats.at(field));
            result += m_literals.at(i + 1);
        }
        return result;
    }

private:
    QStringList m_literals;
    QVector<int> m_fields;
};

#pragma once

#include "report/engine/ReportFormat.h"

#include <QList>
#include <QStringList>
#include <QVariant>
#include <QVector>

// The rows of a report query: the fields the layout uses, each value normalized by the
// format of the field (ReportFormat::normalize).
struct ReportData {
    QStringList fields;
    QList<ReportValueFormat> formats;
    QVector<QVector<QVariant>> rows;

    // The position of a field (case-insensitive), or -1.
    int indexOf(const QString& field) const
    {
        for (int i = 0; i < fields.size(); ++i)
            if (fields.at(i).compare(field, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
};

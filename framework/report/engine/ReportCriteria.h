#pragma once

#include "report/engine/ReportExport.h"

#include <QList>
#include <QString>
#include <QStringList>

class TParams;

// The criteria in force, read back from a report query's bound parameters so that a reader
// can check them against the rows: only the criteria whose parameters the query declares,
// each as the report's SQL applies it (an unassigned parameter switches its filter off).
namespace ReportCriteria {

// One criterion: its name and its value in full; a code list keeps its codes.
struct Item {
    QString name;
    QString value;
    QStringList codes;
};

KLX_REPORT_EXPORT QList<Item> items(const TParams& params);
// The criteria on one line, every code listed: "Empresas: todas; Contas: 001, 003; ...".
QString full(const QList<Item>& items);
// The same line for a page: a list of more than a few codes is summarised by its count and
// first codes ("Contas: 1.500 selecionadas — 001, 002, 003, …").
KLX_REPORT_EXPORT QString page(const QList<Item>& items);

} // namespace ReportCriteria

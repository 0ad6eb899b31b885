// A screen module whose opening call crashes the host, standing in for a faulty module. It
// describes itself as far as the scenario driver asks.
#include "form/ScreenTable.h"

#include <QtGlobal>
#include <cstdlib>
#include <iterator>

namespace {
const ScreenTableControl controls[] = {{ScreenRole::print, "sbtPrint"},
                                       {ScreenRole::preview, "sbtPreview"},
                                       {ScreenRole::saveAs, "sbtSalvarComo"},
                                       {ScreenRole::edit, "sbtReportEdit"}};
const ScreenTable table{screenTableVersion,
                        "frmCheque",
                        controls,
                        std::size(controls),
                        nullptr,
                        0,
                        nullptr,
                        0,
                        "KLX47306",
                        "Relação de &Cheques",
                        nullptr,
                        0,
                        nullptr,
                        nullptr,
                        nullptr};
} // namespace

extern "C" {
Q_DECL_EXPORT const ScreenTable* DescribeScreen()
{
    return &table;
}
Q_DECL_EXPORT void Initialize() {}
Q_DECL_EXPORT void Finalize() {}
Q_DECL_EXPORT void IniProc()
{
    std::abort();
}
}

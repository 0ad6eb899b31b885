#pragma once

#include <functional>

class QPrinter;
class ReportPages;

// A laid-out report on a printer.
namespace ReportPrint {

// Prints the pages first..last (from 1) on a printer that is set up; a progress callback
// gets each page number and returns false to stop.
void print(const ReportPages& pages, QPrinter& printer, int first, int last,
           const std::function<bool(int)>& onPage = {});

} // namespace ReportPrint

#pragma once

#include <QtGlobal>

// Marks what the report library (the engine and the outputs) offers the widgets, the screen
// module and the programs. The library is built with hidden visibility: anything unmarked
// stays inside it, and a caller that reaches it fails to link.
#if defined(KLX_REPORT_LIBRARY)
#define KLX_REPORT_EXPORT Q_DECL_EXPORT
#else
#define KLX_REPORT_EXPORT Q_DECL_IMPORT
#endif

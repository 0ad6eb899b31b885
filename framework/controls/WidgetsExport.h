#pragma once

#include <QtGlobal>

// Marks what the widgets library (controls, forms and the report dialogs) offers the screen
// module and the programs. The library is built with hidden visibility: anything unmarked
// stays inside it, and a caller that reaches it fails to link.
#if defined(KLX_WIDGETS_LIBRARY)
#define KLX_WIDGETS_EXPORT Q_DECL_EXPORT
#else
#define KLX_WIDGETS_EXPORT Q_DECL_IMPORT
#endif

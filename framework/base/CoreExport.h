#pragma once

#include <QtGlobal>

// Marks what the core library (base and data) offers the layers above it, the screen module
// and the programs. The library is built with hidden visibility: anything unmarked stays
// inside it, and a caller that reaches it fails to link.
#if defined(KLX_CORE_LIBRARY)
#define KLX_CORE_EXPORT Q_DECL_EXPORT
#else
#define KLX_CORE_EXPORT Q_DECL_IMPORT
#endif

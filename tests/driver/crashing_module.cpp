// A screen module whose opening call crashes the host, standing in for a faulty module.
#include <QtGlobal>
#include <cstdlib>

extern "C" {
Q_DECL_EXPORT void Initialize() {}
Q_DECL_EXPORT void Finalize() {}
Q_DECL_EXPORT void IniProc()
{
    std::abort();
}
}

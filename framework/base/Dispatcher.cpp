#include "base/Dispatcher.h"

#include "base/Consiste.h"
#include "base/Exceptions.h"

#include <QCoreApplication>
#include <exception>

namespace {
int depth = 0;

struct DepthGuard {
    DepthGuard() { ++depth; }
    ~DepthGuard() { --depth; }
};
} // namespace

bool Dispatcher::handlerRunning()
{
    return depth > 0;
}

void Dispatcher::run(const std::function<void()>& handler)
{
    if (!handler)
        return;
    QString error;
    {
        DepthGuard guard;
        try {
            handler();
            return;
        } catch (const EAbort&) {
            return;
        } catch (const Exception& e) {
            error = e.Message();
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        } catch (...) {
            error = QCoreApplication::translate("Dispatcher", "Erro desconhecido.");
        }
    }
    // Shown after the handler has unwound, never from inside it.
    Consiste::ShowError(error);
}

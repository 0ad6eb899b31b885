#include "Interruption.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

std::atomic_int received{0};

sigset_t endingSignals()
{
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    return ending;
}

// Waits for the ending, which every other thread blocks; the first ends the event loops, a
// second the process.
void waitForSignals()
{
    const sigset_t ending = endingSignals();
    for (;;) {
        int number = 0;
        if (sigwait(&ending, &number) != 0)
            continue;
        int expected = 0;
        if (!received.compare_exchange_strong(expected, number))
            _exit(128 + number);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [number] { QCoreApplication::exit(128 + number); },
            Qt::QueuedConnection);
    }
}

} // namespace

namespace Interruption {

void install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    const sigset_t ending = endingSignals();
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    std::thread(waitForSignals).detach();
}

int signalNumber()
{
    return received.load();
}

} // namespace Interruption

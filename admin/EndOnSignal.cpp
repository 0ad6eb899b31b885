#include "EndOnSignal.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

sigset_t endingSignals()
{
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    return ending;
}

void waitForSignal()
{
    const sigset_t ending = endingSignals();
    int number = 0;
    while (sigwait(&ending, &number) != 0) {
    }
    const char* name = number == SIGINT ? "SIGINT" : "SIGTERM";
    char text[160];
    const int size = std::snprintf(text, sizeof text,
                                   "klx-admin: interrompido por %s; nada do que o comando "
                                   "mudava foi confirmado\n",
                                   name);
    if (size > 0) {
        [[maybe_unused]] const ssize_t written =
            write(STDERR_FILENO, text, std::min(size_t(size), sizeof text - 1));
    }
    _exit(128 + number);
}

} // namespace

namespace EndOnSignal {

void install()
{
    const sigset_t ending = endingSignals();
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    std::thread(waitForSignal).detach();
}

} // namespace EndOnSignal

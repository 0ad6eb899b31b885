#pragma once

// What every fuzz target shares: the input as text, and a check that stops the run with a
// message when a property of the code under test fails (libFuzzer keeps the input).
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

inline QString fuzzText(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline void fuzzRequire(bool holds, const char* property, const QString& detail = QString())
{
    if (holds)
        return;
    std::fprintf(stderr, "property failed: %s\n%s\n", property, qUtf8Printable(detail));
    std::abort();
}

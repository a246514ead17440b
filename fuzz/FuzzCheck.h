#pragma once

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A violated property aborts, so that libFuzzer keeps the input that caused it.
#define FUZZ_REQUIRE(condition, ...)                                                         \
    do {                                                                                     \
        if (!(condition)) {                                                                  \
            std::fprintf(stderr, "%s:%d: property violated: %s\n", __FILE__, __LINE__,      \
                         #condition);                                                        \
            std::fprintf(stderr, "" __VA_ARGS__);                                            \
            std::fprintf(stderr, "\n");                                                      \
            std::abort();                                                                    \
        }                                                                                    \
    } while (false)

inline QByteArrayView fuzzInput(const uint8_t *data, size_t size)
{
    return {reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)};
}

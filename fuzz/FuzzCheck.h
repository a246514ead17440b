#pragma once

#include <QByteArrayView>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A violated property aborts, so that libFuzzer keeps the input that caused it.
#define FUZZ_REQUIRE(condition, ...)                                                               \
    ((condition)                                                                                   \
         ? void()                                                                                  \
         : (std::fprintf(stderr, "%s:%d: property violated: %s", __FILE__, __LINE__, #condition),  \
            std::fprintf(stderr, "\n" __VA_ARGS__), std::fputc('\n', stderr), std::abort()))

inline QByteArrayView fuzzInput(const uint8_t *data, size_t size)
{
    return {reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)};
}

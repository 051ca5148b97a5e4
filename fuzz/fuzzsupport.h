#pragma once

#include <cstdio>
#include <cstdlib>

// Aborts on a broken property, so that libFuzzer keeps the input that broke it; the stack trace
// tells which check it was.
#define FUZZ_CHECK(condition) \
    ((condition) ? void()     \
                 : (std::fputs("property violated: " #condition "\n", stderr), std::abort()))

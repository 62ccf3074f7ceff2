// The fuzz targets' check: aborts the run, naming the promise, when it does not hold.
#pragma once

#include <cstdio>
#include <cstdlib>

#define require(promise)                                                               \
    do {                                                                               \
        if (!(promise)) {                                                              \
            std::fprintf(stderr, "Broken promise, line %d: %s\n", __LINE__, #promise); \
            std::abort();                                                              \
        }                                                                              \
    } while (false)

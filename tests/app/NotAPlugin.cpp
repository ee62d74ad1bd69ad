// A library that exports only one of the four entry points.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) void tsxGetData(void*, int32_t) {}

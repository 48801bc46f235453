#include "common/HeapReuse.h"

#include <malloc.h>

namespace {
// Enough for the deflate state of the parts compressed at once, small
// against what a workbook of many tables holds anyway.
constexpr int KeptFreeBytes = 4 << 20;
} // namespace

void KeepFreedHeapForReuse() {
    mallopt(M_TRIM_THRESHOLD, KeptFreeBytes);
}

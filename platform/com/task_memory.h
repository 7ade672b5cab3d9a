// The platform's task allocator: memory handed between callers and callees (display names,
// page lists) is allocated and freed with these calls.
#pragma once

#include "platform/com/types.h"

void* CoTaskMemAlloc(SIZE_T size);
// Like realloc: a null block allocates, size 0 frees and returns null.
void* CoTaskMemRealloc(void* block, SIZE_T size);
void CoTaskMemFree(void* block);

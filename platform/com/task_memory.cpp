#include "platform/com/task_memory.h"

#include <cstdlib>

void* CoTaskMemAlloc(SIZE_T size) { return std::malloc(size == 0 ? 1 : size); }

void* CoTaskMemRealloc(void* block, SIZE_T size) {
    if (size == 0) {
        std::free(block);
        return nullptr;
    }
    return std::realloc(block, size);
}

void CoTaskMemFree(void* block) { std::free(block); }

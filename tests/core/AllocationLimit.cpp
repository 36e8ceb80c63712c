#include "tests/core/AllocationLimit.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

std::atomic<size_t> largest_request{std::numeric_limits<size_t>::max()};

void* allocate(size_t size) noexcept {
    if (size > largest_request.load(std::memory_order_relaxed)) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void* allocate_or_throw(size_t size) {
    void* block = allocate(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

}  // namespace

AllocationLimit::AllocationLimit(size_t largest) {
    largest_request.store(largest, std::memory_order_relaxed);
}

AllocationLimit::~AllocationLimit() {
    largest_request.store(std::numeric_limits<size_t>::max(), std::memory_order_relaxed);
}

void* operator new(size_t size) { return allocate_or_throw(size); }
void* operator new[](size_t size) { return allocate_or_throw(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

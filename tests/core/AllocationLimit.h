// Memory running out, on demand. While an AllocationLimit lives, every request
// to the global operator new (single or array, throwing or nothrow) for more
// than its number of bytes fails as it does when memory runs out: the
// throwing forms throw std::bad_alloc, the nothrow forms return null.
// Linking AllocationLimit.cpp replaces the program's global operator new and
// delete with ones on malloc and free, which otherwise behave as the usual.
#pragma once

#include <cstddef>

class AllocationLimit {
public:
    explicit AllocationLimit(size_t largest);
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;
};

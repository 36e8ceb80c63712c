#include "core/MemoryFile.h"

#include "core/RegularFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace {

struct CloseStream {
    void operator()(std::FILE* stream) const { std::fclose(stream); }
};

// size x count, saturated.
size_t requested(size_t size, size_t count) {
    if (count != 0 && size > std::numeric_limits<size_t>::max() / count)
        return std::numeric_limits<size_t>::max();
    return size * count;
}

}  // namespace

MemoryFile::MemoryFile() : base(nullptr), cursor(nullptr), size_bytes(0) {}

MemoryFile::MemoryFile(const char* path) : MemoryFile() { load(path); }

MemoryFile::MemoryFile(const MemoryFile& other) : MemoryFile() {
    if (!other.base) return;
    base.reset(new (std::nothrow) uint8_t[other.size_bytes]);
    if (!base) return;
    size_bytes = other.size_bytes;
    if (size_bytes) std::memcpy(base.get(), other.base.get(), size_bytes);
    cursor = base.get();
}

MemoryFile::~MemoryFile() { free(); }

void MemoryFile::free() {
    base.reset();
    cursor = nullptr;
    size_bytes = 0;
}

bool MemoryFile::load(const char* path) {
    free();
    if (!names_regular_file(path)) return false;
    const std::unique_ptr<std::FILE, CloseStream> stream(std::fopen(path, "rb"));
    if (!stream) return false;
    long end = -1;
    if (std::fseek(stream.get(), 0, SEEK_END) == 0) end = std::ftell(stream.get());
    if (end < 0 || static_cast<unsigned long>(end) > std::numeric_limits<uint32_t>::max() ||
        std::fseek(stream.get(), 0, SEEK_SET) != 0)
        return false;
    // The file's size decides the request, so its failure is a result.
    base.reset(new (std::nothrow) uint8_t[static_cast<uint32_t>(end)]);
    if (!base) return false;
    size_bytes = static_cast<uint32_t>(end);
    cursor = base.get();
    if (std::fread(base.get(), 1, size_bytes, stream.get()) != size_bytes) {
        free();
        return false;
    }
    return true;
}

bool MemoryFile::is_loaded() const { return base != nullptr; }

uint32_t MemoryFile::size() const { return size_bytes; }

uint8_t* MemoryFile::data() const { return base.get(); }

uint8_t* MemoryFile::advance(size_t size, size_t count, size_t& moved) {
    uint8_t* from = cursor;
    size_t left = base ? static_cast<size_t>(base.get() + size_bytes - cursor) : 0;
    moved = std::min(requested(size, count), left);
    if (moved != 0) cursor += moved;
    return from;
}

size_t memory_read(void* destination, size_t size, size_t count, void* file) {
    size_t n;
    const uint8_t* from = static_cast<MemoryFile*>(file)->advance(size, count, n);
    if (n != 0) std::memcpy(destination, from, n);
    return n;
}

size_t memory_write(const void* source, size_t size, size_t count, void* file) {
    size_t n;
    uint8_t* to = static_cast<MemoryFile*>(file)->advance(size, count, n);
    if (n != 0) std::memcpy(to, source, n);
    return n;
}

int memory_seek(void* file, int64_t offset, int origin) {
    MemoryFile* memory = static_cast<MemoryFile*>(file);
    int64_t size = memory->size_bytes;
    int64_t from;
    switch (origin) {
        case 0:
            from = 0;
            break;
        case 1:
            from = memory->cursor - memory->base.get();
            break;
        case 2:
            from = size;
            break;
        default:
            return -1;
    }
    // from lies in [0, 2^32), so only a large positive offset can overflow.
    int64_t target = offset > std::numeric_limits<int64_t>::max() - from
                         ? std::numeric_limits<int64_t>::max()
                         : from + offset;
    int result = 0;
    if (target < 0) {
        target = 0;
        result = -1;
    } else if (target > size) {
        target = size;
        result = -1;
    }
    if (memory->base) memory->cursor = memory->base.get() + target;
    return result;
}

long memory_tell(void* file) {
    MemoryFile* memory = static_cast<MemoryFile*>(file);
    return static_cast<long>(memory->cursor - memory->base.get());
}

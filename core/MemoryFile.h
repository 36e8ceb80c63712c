// A whole file held in memory with a read cursor, and stdio-style callbacks
// on it (the read, seek and tell of vorbisfile's ov_callbacks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class MemoryFile {
public:
    MemoryFile();
    // Loads the path; ask is_loaded for the result.
    explicit MemoryFile(const char* path);
    // An own copy of the bytes, its cursor at the start; unloaded when the
    // memory for the copy cannot be had.
    MemoryFile(const MemoryFile& other);
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile();

    void free();
    // Replaces what is held with the whole file. False (holding nothing)
    // when the path is no readable regular file, is larger than 4 GiB - 1,
    // cannot be read whole, or the memory for it cannot be had.
    bool load(const char* path);
    bool is_loaded() const;
    uint32_t size() const;
    uint8_t* data() const;

private:
    friend size_t memory_read(void*, size_t, size_t, void*);
    friend size_t memory_write(const void*, size_t, size_t, void*);
    friend int memory_seek(void*, int64_t, int);
    friend long memory_tell(void*);

    // Moves the cursor over at most size x count bytes (clamped to what
    // remains); returns where it stood and the byte count in moved.
    uint8_t* advance(size_t size, size_t count, size_t& moved);

    std::unique_ptr<uint8_t[]> base;
    uint8_t* cursor;
    uint32_t size_bytes;
};

// The file argument is a MemoryFile*. read and write transfer at most
// size x count bytes, clamped to what remains after the cursor, and return
// the number of bytes (not items) moved.
size_t memory_read(void* destination, size_t size, size_t count, void* file);
size_t memory_write(const void* source, size_t size, size_t count, void* file);
// origin 0 from the start, 1 from the cursor, 2 from the end. 0 on success;
// -1 for another origin (cursor unchanged) or a target outside the buffer
// (cursor left at the nearer end).
int memory_seek(void* file, int64_t offset, int origin);
// The cursor's offset from the start.
long memory_tell(void* file);

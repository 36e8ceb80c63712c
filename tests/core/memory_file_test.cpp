#include "core/MemoryFile.h"

#include "scratch_dir.h"
#include "tests/core/AllocationLimit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

std::string hundred_bytes() {
    std::string bytes;
    for (int i = 0; i < 100; ++i) bytes.push_back(static_cast<char>(i * 7));
    return bytes;
}

class MemoryFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(file.load(scratch.write("data.bin", hundred_bytes()).c_str()));
    }
    ScratchDir scratch;
    MemoryFile file;
};

}  // namespace

TEST_F(MemoryFileTest, LoadsTheWholeFile) {
    EXPECT_TRUE(file.is_loaded());
    EXPECT_EQ(file.size(), 100u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(file.data()), 100), hundred_bytes());
    EXPECT_EQ(memory_tell(&file), 0);
    // A second load replaces the first.
    EXPECT_TRUE(file.load(scratch.write("other.bin", "xyz").c_str()));
    EXPECT_EQ(file.size(), 3u);
    EXPECT_EQ(memory_tell(&file), 0);
}

TEST_F(MemoryFileTest, WhatCannotBeLoadedLeavesNothing) {
    // A FIFO would block the open until a writer came; a device may not end.
    const std::string fifo = scratch.fifo("pipe.mp3");
    ASSERT_FALSE(fifo.empty());
    for (std::string path : {scratch.file("missing.bin"), scratch.path.string(), fifo,
                             std::string("/dev/zero"), std::string("")}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(file.load(path.c_str()));
        EXPECT_FALSE(file.is_loaded());
        EXPECT_EQ(file.size(), 0u);
        EXPECT_EQ(file.data(), nullptr);
    }
    MemoryFile missing(scratch.file("missing.bin").c_str());
    EXPECT_FALSE(missing.is_loaded());
    // Nothing to read, seek or copy, without touching a null buffer.
    char buffer[8];
    EXPECT_EQ(memory_read(buffer, 1, 8, &missing), 0u);
    EXPECT_EQ(memory_seek(&missing, 0, 0), 0);
    EXPECT_EQ(memory_seek(&missing, 5, 0), -1);
    EXPECT_EQ(memory_tell(&missing), 0);
    MemoryFile copy(missing);
    EXPECT_FALSE(copy.is_loaded());
}

TEST_F(MemoryFileTest, MemoryThatCannotBeHadIsAResult) {
    const std::string big = scratch.write("big.bin", std::string(4096, 'x'));
    const std::string small = scratch.write("small.bin", "abc");
    {
        AllocationLimit limit(1024);
        EXPECT_FALSE(file.load(big.c_str()));
        EXPECT_FALSE(file.is_loaded());
        EXPECT_EQ(file.size(), 0u);
    }
    ASSERT_TRUE(file.load(big.c_str()));
    AllocationLimit limit(1024);
    MemoryFile copy(file);
    EXPECT_FALSE(copy.is_loaded());
    EXPECT_EQ(copy.size(), 0u);
    char buffer[8];
    EXPECT_EQ(memory_read(buffer, 1, 8, &copy), 0u);
    // What fits still loads.
    EXPECT_TRUE(file.load(small.c_str()));
    MemoryFile small_copy(file);
    EXPECT_EQ(small_copy.size(), 3u);
}

TEST_F(MemoryFileTest, AnEmptyFileIsLoadedWithNothingToRead) {
    MemoryFile empty(scratch.write("empty.bin", "").c_str());
    EXPECT_TRUE(empty.is_loaded());
    EXPECT_EQ(empty.size(), 0u);
    char buffer[4];
    EXPECT_EQ(memory_read(buffer, 1, 4, &empty), 0u);
    EXPECT_EQ(memory_seek(&empty, 0, 2), 0);
    EXPECT_EQ(memory_tell(&empty), 0);
    MemoryFile copy(empty);
    EXPECT_TRUE(copy.is_loaded());
    EXPECT_EQ(copy.size(), 0u);
}

TEST_F(MemoryFileTest, ReadClampsToWhatRemainsAndCountsBytes) {
    std::vector<uint8_t> buffer(4096);
    EXPECT_EQ(memory_read(buffer.data(), 10, 3, &file), 30u);  // bytes, not items
    EXPECT_EQ(buffer[29], static_cast<uint8_t>(29 * 7));
    EXPECT_EQ(memory_seek(&file, 0, 0), 0);
    EXPECT_EQ(memory_read(buffer.data(), 4096, 1, &file), 100u);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 100), hundred_bytes());
    EXPECT_EQ(memory_read(buffer.data(), 4096, 1, &file), 0u);
    // size x count beyond size_t saturates instead of wrapping to a small count.
    memory_seek(&file, 90, 0);
    size_t huge = std::numeric_limits<size_t>::max() / 2 + 2;
    EXPECT_EQ(memory_read(buffer.data(), huge, 2, &file), 10u);
    EXPECT_EQ(memory_read(buffer.data(), 0, 5, &file), 0u);
}

TEST_F(MemoryFileTest, Seek) {
    struct Case {
        int64_t start, offset;
        int origin, result;
        long position;
    };
    const std::vector<Case> cases = {
        {50, 0, 2, 0, 100},        {50, -10, 2, 0, 90},         {50, 10, 2, -1, 100},
        {50, -1, 0, -1, 0},        {50, 30, 0, 0, 30},          {50, 100, 0, 0, 100},
        {50, 101, 0, -1, 100},     {50, 5, 1, 0, 55},           {50, -51, 1, -1, 0},
        {50, 3, 3, -1, 50},        {50, 0, -1, -1, 50},         {50, INT64_MAX, 1, -1, 100},
        {50, INT64_MIN, 2, -1, 0}, {50, INT64_MAX, 2, -1, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.offset << " from " << c.origin);
        ASSERT_EQ(memory_seek(&file, c.start, 0), 0);
        EXPECT_EQ(memory_seek(&file, c.offset, c.origin), c.result);
        EXPECT_EQ(memory_tell(&file), c.position);
    }
}

TEST_F(MemoryFileTest, CopiesStartAtTheBeginningAndReadOnTheirOwn) {
    memory_seek(&file, 50, 0);
    MemoryFile copy(file);
    EXPECT_EQ(copy.size(), 100u);
    EXPECT_NE(copy.data(), file.data());
    EXPECT_EQ(memory_tell(&copy), 0);
    uint8_t byte;
    EXPECT_EQ(memory_read(&byte, 1, 1, &copy), 1u);
    EXPECT_EQ(byte, 0);
    EXPECT_EQ(memory_tell(&file), 50);
    EXPECT_EQ(memory_read(&byte, 1, 1, &file), 1u);
    EXPECT_EQ(byte, static_cast<uint8_t>(50 * 7));
}

TEST_F(MemoryFileTest, WriteStaysInsideTheBuffer) {
    memory_seek(&file, 97, 0);
    EXPECT_EQ(memory_write("abcdef", 1, 6, &file), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(file.data()) + 97, 3), "abc");
    EXPECT_EQ(memory_write("x", 1, 1, &file), 0u);
    EXPECT_EQ(file.size(), 100u);
}

TEST_F(MemoryFileTest, FreeEmptiesIt) {
    file.free();
    EXPECT_FALSE(file.is_loaded());
    EXPECT_EQ(file.size(), 0u);
    file.free();
}

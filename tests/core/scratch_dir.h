// A fresh directory per test for files the test writes, removed afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

class ScratchDir {
public:
    ScratchDir() {
        static int serial = 0;
        path = std::filesystem::temp_directory_path() /
               ("quillfen-core-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }

    // Writes the bytes as they are (no newline translation); returns the path.
    std::string write(const std::string& name, const std::string& bytes) const {
        std::string file = (path / name).string();
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    std::string file(const std::string& name) const { return (path / name).string(); }

    // Makes a FIFO; returns its path (empty when mkfifo failed).
    std::string fifo(const std::string& name) const {
        std::string file = (path / name).string();
        return mkfifo(file.c_str(), 0600) == 0 ? file : std::string();
    }

    std::filesystem::path path;
};

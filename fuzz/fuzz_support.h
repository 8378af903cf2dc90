// fuzz_support.h - a scratch directory per input for the fuzz harnesses.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace cad::fuzz {

/// Creates a fresh directory, changes into it, and removes it afterwards.
struct Scratch {
    std::string dir, old;
    Scratch() {
        char tmpl[] = "/tmp/cadfuzzXXXXXX";
        dir = ::mkdtemp(tmpl) ? tmpl : "/tmp";
        old = std::filesystem::current_path().string();
        std::filesystem::current_path(dir);
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::current_path(old, ec);
        std::filesystem::remove_all(dir, ec);
    }
    void write(const std::string& name, std::string_view bytes) const {
        std::ofstream out(dir + "/" + name, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
};

inline std::string_view as_view(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace cad::fuzz

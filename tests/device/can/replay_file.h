#pragma once
// Builds trace files for the replay tests and the fuzz seeds.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct ReplayFile {
    std::vector<uint8_t> bytes;

    explicit ReplayFile(const char signature[4] = "CTB", uint32_t version = 2) {
        bytes.assign(signature, signature + 4);
        Put(version, 4);
    }
    ReplayFile& Record(uint64_t due_us, uint32_t id, uint8_t flags, uint8_t dlc,
                       uint8_t first = 0) {
        Put(due_us, 8);
        Put(id, 4);
        bytes.push_back(flags);
        bytes.push_back(0xAA); // two bytes nobody reads
        bytes.push_back(0xAA);
        bytes.push_back(dlc);
        for (int i = 0; i < 8; ++i)
            bytes.push_back(static_cast<uint8_t>(first + i));
        return *this;
    }
    bool Write(const std::string& path) const {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && ok;
    }

  private:
    void Put(uint64_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
};

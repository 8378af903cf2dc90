// replay_main.cpp - runs a fuzz harness over saved inputs (files or directories), once each.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

static void replay_file(const std::string& path, int& count) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    std::string bytes = ss.str();
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ++count;
}

int main(int argc, char** argv) {
    int count = 0;
    // The empty input always runs: it is the first thing a fuzzer tries.
    LLVMFuzzerTestOneInput(nullptr, 0);
    for (int i = 1; i < argc; ++i) {
        struct stat st;
        if (::stat(argv[i], &st) != 0) continue;
        if (!S_ISDIR(st.st_mode)) {
            replay_file(argv[i], count);
            continue;
        }
        std::vector<std::string> names;
        if (DIR* d = ::opendir(argv[i])) {
            while (dirent* e = ::readdir(d))
                if (e->d_name[0] != '.') names.push_back(std::string(argv[i]) + "/" + e->d_name);
            ::closedir(d);
        }
        for (const auto& n : names) replay_file(n, count);
    }
    std::printf("replayed %d inputs\n", count + 1);
    return 0;
}

// The floor of a full build: one process writing as many files of the same sizes as the
// build wrote, each opened, written and closed (no temporary file, no rename, no flush).
//   floor LIST OUT   LIST: lines "size relative-path"; prints the milliseconds taken.
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: floor LIST OUT\n");
        return 2;
    }
    std::vector<std::pair<size_t, std::string>> files;
    std::ifstream list(argv[1]);
    size_t size = 0, largest = 0;
    std::string path;
    while (list >> size && std::getline(list >> std::ws, path)) {
        files.emplace_back(size, std::string(argv[2]) + "/" + path);
        largest = std::max(largest, size);
    }
    const std::string data(largest, 'x');
    std::set<std::string> folders;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [bytes, file] : files) {
        const std::string folder = file.substr(0, file.rfind('/'));
        if (folders.insert(folder).second) ::mkdir(folder.c_str(), 0777);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, data.data(), bytes) != static_cast<ssize_t>(bytes) ||
            ::close(fd) != 0) {
            std::perror(file.c_str());
            return 1;
        }
    }
    const auto ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.1f\n", ms);
    return 0;
}

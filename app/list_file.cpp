#include "app/list_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace spisotek::app {

std::vector<std::string> SplitListLines(std::string_view bytes) {
    size_t end = bytes.find('\0');
    if (end != std::string_view::npos) {
        bytes = bytes.substr(0, end);
    }
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t i = start;
        while (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n') {
            ++i;
        }
        lines.emplace_back(bytes.substr(start, i - start));
        if (i < bytes.size()) {
            bool cr = bytes[i] == '\r';
            ++i;
            if (cr && i < bytes.size() && bytes[i] == '\n') {
                ++i;
            }
        }
        start = i;
    }
    return lines;
}

std::vector<std::string> LoadListFile(const std::string& fileName) {
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw ListFileError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
    }
    std::string bytes;
    char buffer[65536];
    while (true) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            int error = errno;
            ::close(fd);
            throw ListFileError("Cannot read file \"" + fileName + "\". " + std::strerror(error));
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return SplitListLines(bytes);
}

}  // namespace spisotek::app

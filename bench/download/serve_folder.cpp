// Serves a folder over HTTP on 127.0.0.1 until standard input closes; prints the port first.
// The same server the transfer tests use: one thread per connection, files sent with sendfile.

#include <unistd.h>

#include <cstdio>

#include "support/http_test_server.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: serve_folder FOLDER\n");
        return 2;
    }
    spisotek::testing::HttpTestServer server(argv[1]);
    if (!server.Start()) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::printf("%u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    char buffer[256];
    while (::read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    return 0;
}

// Downloads one address into a folder through TWebUpdate::DownloadFile, as an update does,
// and prints the seconds it took.

#include <chrono>
#include <cstdio>
#include <string>

#include "webupdate/web_update.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: download_file URL TARGET_FOLDER\n");
        return 2;
    }
    spisotek::TWebUpdate engine;
    engine.SetUpdateType(spisotek::httpUpdate);
    engine.SetURL(argv[1]);
    std::string folder = argv[2];
    if (folder.back() != '/') {
        folder += '/';
    }
    engine.SetTempDirectory(folder);
    std::int64_t bytes = 0;
    engine.OnFileProgress = [&](spisotek::TWebUpdate&, const std::string&, std::int64_t pos,
                                std::int64_t) { bytes = pos; };
    if (engine.StartConnection() != 0) {
        std::fprintf(stderr, "no session\n");
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    bool ok = engine.DownloadFile(engine.ConnectionHandle(), argv[1], folder, false);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    engine.StopConnection();
    if (!ok) {
        std::fprintf(stderr, "download failed\n");
        return 1;
    }
    std::printf("%.6f %lld\n", seconds, static_cast<long long>(bytes));
    return 0;
}

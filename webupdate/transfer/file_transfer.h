#pragma once

#include <optional>
#include <string>
#include <vector>

#include "webupdate/transfer/connection.h"
#include "webupdate/transfer/transfer_host.h"

namespace spisotek::webupdate::transfer {

// One engine's transfers: HTTP and FTP downloads on an open connection, file copies, and the
// expansion of compressed results. Every file lands in a temp file first and replaces its
// target in one rename, so a failed or cancelled transfer never loses the old file.
// Blocks the caller's thread; the host handles events and cancel once per block.
// Temp files that cannot be created or written raise TransferIoError.
class FileTransfer {
  public:
    FileTransfer(const TransferSettings& settings, Credentials& credentials, TransferHost& host)
        : settings_(settings), credentials_(credentials), host_(host) {}

    // Fetches the address (a path for file copies) into targetDirectory + its file name.
    // FTP addresses name a file in ftpDirectory (already expanded).
    bool DownloadFile(Connection* connection, const std::string& address,
                      const std::string& targetDirectory, bool compressed,
                      const std::string& ftpDirectory = {});

    // Copies a file through a temp file in 16384-byte blocks.
    bool CopyLocalFile(const std::string& source, const std::string& target);

    // Downloads into the given folder, reads the lines and deletes the file; nothing on failure.
    std::optional<std::vector<std::string>> DownloadText(Connection* connection,
                                                         const std::string& address,
                                                         const std::string& folder,
                                                         const std::string& ftpDirectory = {});

    // Whether the last transfer that reached its block loop was cancelled; nothing when no
    // transfer got that far.
    std::optional<bool> Aborted() const { return aborted_; }

    // Progress, cancel and events happen once per network block.
    static constexpr size_t kNetworkBlock = 4096;
    // What libcurl may hand over per socket read (the curl tool's own buffer size).
    static constexpr size_t kReceiveBuffer = 102400;
    static constexpr size_t kCopyBlock = 16384;

  private:
    bool DownloadNetwork(Connection* connection, const std::string& address,
                         const std::string& targetDirectory, bool compressed,
                         const std::string& ftpDirectory);
    bool DownloadByCopy(const std::string& address, const std::string& targetDirectory,
                        bool compressed);
    bool AskLogin(const std::string& address);
    bool StoreTemp(const std::string& tempPath, const std::string& target);
    void DeleteTemp(const std::string& tempPath);

    const TransferSettings& settings_;
    Credentials& credentials_;
    TransferHost& host_;
    std::optional<bool> aborted_;
};

}  // namespace spisotek::webupdate::transfer

#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace spisotek::webupdate::transfer {

// How a transfer reaches its source.
enum class Transport { kHttp, kFtp, kFile };

// When HTTP asks for a user name and password.
enum class Authentication { kNever, kAlways, kAuto };

// Raised when the temp file of a transfer cannot be created or written: the caller's
// operation fails with it instead of reporting a status.
class TransferIoError : public std::runtime_error {
  public:
    TransferIoError(int code, const std::string& path)
        : std::runtime_error("I/O error " + std::to_string(code) + ": " + path),
          code_(code),
          path_(path) {}

    // The system's error number and the file concerned.
    int Code() const { return code_; }
    const std::string& Path() const { return path_; }

  private:
    int code_;
    std::string path_;
};

// Everything a transfer needs from its owner: status reports, the log file, progress and the
// cancel handshake, the login dialog and the notice of a stored file. The transfer calls it on
// the caller's thread only. Whatever a host call throws ends the transfer (its temp file
// removed) and leaves the transfer operation unchanged.
class TransferHost {
  public:
    virtual ~TransferHost() = default;

    // A numbered status report: code, inserted text, stage and error detail.
    virtual void ReportStatus(int code, const std::string& text, int statusCode, int errCode) = 0;
    // A line written to the update log whether or not logging is on.
    virtual void WriteLogLine(const std::string& line) = 0;
    // After each block: the file named, bytes so far and the expected total (0 when unknown).
    virtual void FileProgress(const std::string& fileName, std::int64_t pos, std::int64_t size) = 0;
    // Asked once per block; true stops the transfer (the host reports the cancel itself).
    virtual bool ProgressCancel() = 0;
    // Lets the application handle its pending window events between blocks.
    virtual void ProcessPendingEvents() = 0;
    // The login dialog: true when confirmed, with both values replaced by what was entered.
    virtual bool ShowLoginDialog(const std::string& caption, std::string& userName,
                                 std::string& password) = 0;
    // The transfer has been stored under its target path (before any expansion).
    virtual void FileDownloaded(const std::string& path) = 0;
    // The stored name of an address; hosts may override the default rule.
    virtual std::string FileNameFromURL(const std::string& url);
};

// Settings of one engine, copied into each transfer.
struct TransferSettings {
    Transport transport = Transport::kHttp;
    std::string agent = "TWebUpdate";
    std::string proxy;
    std::string proxyUserId;
    std::string proxyPassword;
    Authentication authenticate = Authentication::kNever;
    bool keepAliveAuthentication = false;
    bool existingConnection = false;
    bool ftpPassive = false;
    std::string tempDirectory = ".";
    bool keepIntermediateFiles = false;
    // A server that sends nothing for this long is given up; a transfer never hangs forever.
    long stallTimeoutSeconds = 60;
    long connectTimeoutSeconds = 30;
    long maxRedirects = 10;
};

// User name and password for HTTP authentication and the FTP login. The login dialog replaces
// them, and they stay for the rest of the engine's life.
struct Credentials {
    std::string userId;
    std::string password;
};

}  // namespace spisotek::webupdate::transfer

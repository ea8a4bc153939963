#include "webupdate/transfer/file_transfer.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <sstream>

#include "webupdate/transfer/expand.h"
#include "webupdate/transfer/names.h"
#include "webupdate/transfer/temp_file.h"

namespace spisotek::webupdate::transfer {

namespace {

using Clock = std::chrono::steady_clock;

// What one request delivered; filled by the libcurl callbacks.
struct Pass {
    TransferHost* host = nullptr;
    CURL* handle = nullptr;
    bool http = true;
    std::string tempDirectory;
    std::string target;
    std::optional<TempFile> temp;
    std::int64_t total = 0;
    std::int64_t expected = 0;
    bool delivered = false;
    bool cancel = false;
    bool rejected = false;
    bool ioError = false;
    int ioCode = 0;
    std::string ioPath;
    std::exception_ptr hostError;  // thrown by a host call inside a libcurl callback
    Clock::time_point lastActivity = Clock::now();
    Clock::time_point lastCancelCheck = Clock::now();
};

size_t OnData(char* data, size_t size, size_t count, void* userData) {
    auto& pass = *static_cast<Pass*>(userData);
    size_t length = size * count;
    if (length == 0) {
        return 0;
    }
    if (!pass.temp) {
        if (pass.http) {
            // The body of an error answer is never stored.
            long code = 0;
            curl_easy_getinfo(pass.handle, CURLINFO_RESPONSE_CODE, &code);
            if (code >= 300) {
                pass.rejected = true;
                return 0;
            }
        }
        pass.temp = CreateTempFile(pass.tempDirectory);
        if (!pass.temp) {
            pass.ioError = true;
            pass.ioCode = errno;
            pass.ioPath = pass.tempDirectory;
            return 0;
        }
        curl_off_t expected = -1;
        curl_easy_getinfo(pass.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
        pass.expected = expected > 0 ? expected : 0;
    }
    if (!WriteAll(pass.temp->fd, data, length)) {
        pass.ioError = true;
        pass.ioCode = errno;
        pass.ioPath = pass.temp->path;
        return 0;
    }
    pass.delivered = true;
    // libcurl reads the socket in large pieces (as the curl tool does); the host still sees
    // the transfer in blocks of at most 4096 bytes: progress, cancel and events for each.
    // Nothing may be thrown through libcurl: it is kept and raised after the transfer.
    try {
        for (size_t done = 0; done < length;) {
            const size_t block = std::min(FileTransfer::kNetworkBlock, length - done);
            done += block;
            pass.total += static_cast<std::int64_t>(block);
            pass.host->FileProgress(pass.target, pass.total, pass.expected);
            if (pass.host->ProgressCancel()) {
                pass.cancel = true;
                return 0;
            }
            pass.host->ProcessPendingEvents();
        }
    } catch (...) {
        pass.hostError = std::current_exception();
        return 0;
    }
    pass.lastActivity = pass.lastCancelCheck = Clock::now();
    return length;
}

// Between blocks libcurl calls this too; while a server is silent it keeps the window alive and
// lets a Cancel click end the wait instead of only the stall timeout.
int OnIdle(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& pass = *static_cast<Pass*>(userData);
    auto now = Clock::now();
    if (now - pass.lastActivity < std::chrono::milliseconds(100)) {
        return 0;
    }
    try {
        pass.host->ProcessPendingEvents();
        if (now - pass.lastCancelCheck >= std::chrono::milliseconds(500)) {
            pass.lastCancelCheck = now;
            if (pass.host->ProgressCancel()) {
                pass.cancel = true;
                return 1;
            }
        }
    } catch (...) {
        pass.hostError = std::current_exception();
        return 1;
    }
    return 0;
}

std::string FtpPath(const std::string& directory, const std::string& name) {
    std::string path;
    std::string dir = ToNativeSeparators(directory);
    if (!dir.empty() && dir.front() == '/') {
        path = "%2F";  // an absolute directory, not one below the login folder
    }
    size_t start = 0;
    while (start <= dir.size()) {
        size_t end = dir.find('/', start);
        if (end == std::string::npos) {
            end = dir.size();
        }
        if (end > start) {
            path += PercentEncode(std::string_view(dir).substr(start, end - start)) + "/";
        }
        start = end + 1;
    }
    return path + PercentEncode(name);
}

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void Add(const std::string& line) { list = curl_slist_append(list, line.c_str()); }
};

}  // namespace

bool FileTransfer::DownloadFile(Connection* connection, const std::string& address,
                                const std::string& targetDirectory, bool compressed,
                                const std::string& ftpDirectory) {
    if (settings_.transport == Transport::kFile) {
        return DownloadByCopy(address, targetDirectory, compressed);
    }
    return DownloadNetwork(connection, address, targetDirectory, compressed, ftpDirectory);
}

bool FileTransfer::AskLogin(const std::string& address) {
    std::string user;
    std::string password;
    if (!host_.ShowLoginDialog("Connect to " + HostOfAddress(address), user, password)) {
        host_.ReportStatus(956, "Authentication cancelled", 0, 0);
        return false;
    }
    credentials_.userId = user;
    credentials_.password = password;
    return true;
}

void FileTransfer::DeleteTemp(const std::string& tempPath) {
    if (::unlink(tempPath.c_str()) != 0 && errno != ENOENT) {
        host_.WriteLogLine("Unable to delete file " + tempPath);
    }
}

bool FileTransfer::StoreTemp(const std::string& tempPath, const std::string& target) {
    if (!ReplaceFile(tempPath, target)) {
        host_.WriteLogLine("Unable to rename file " + tempPath + " to " + target);
        return false;
    }
    return true;
}

bool FileTransfer::DownloadNetwork(Connection* connection, const std::string& address,
                                   const std::string& targetDirectory, bool compressed,
                                   const std::string& ftpDirectory) {
    host_.ReportStatus(915, address, 3, 0);
    const std::string name = host_.FileNameFromURL(address);
    const bool http = settings_.transport == Transport::kHttp;
    if (connection == nullptr || connection->IsFtp() == http) {
        host_.ReportStatus(917, address, 2, 1);
        return false;
    }
    const std::string url =
        http ? RewriteWithProxyCredentials(address, settings_.proxyUserId, settings_.proxyPassword)
             : connection->FtpBase() + FtpPath(ftpDirectory, name);
    const std::string target = ToNativeSeparators(targetDirectory) + name;

    if (http && settings_.authenticate == Authentication::kAlways &&
        (credentials_.userId.empty() || credentials_.password.empty()) && !AskLogin(address)) {
        return false;
    }

    CURL* handle = connection->Handle();
    Pass pass;
    CURLcode result = CURLE_OK;
    long code = 0;
    for (;;) {
        curl_easy_reset(handle);
        ApplyCommonOptions(handle, settings_);
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, static_cast<long>(kReceiveBuffer));
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnData);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &pass);
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnIdle);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &pass);
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
        HeaderList headers;
        if (http) {
            // Always from the server: reload, no cache write, pragma no-cache.
            headers.Add("Pragma: no-cache");
            headers.Add("Cache-Control: no-cache");
            if (settings_.keepAliveAuthentication) {
                headers.Add("Connection: Keep-Alive");
            }
            if (!credentials_.userId.empty() || !credentials_.password.empty()) {
                headers.Add("Authorization: Basic " +
                            Base64Encode(credentials_.userId + ":" + credentials_.password));
            }
            curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.list);
            if (!settings_.existingConnection) {
                curl_easy_setopt(handle, CURLOPT_FRESH_CONNECT, 1L);
            }
        } else {
            const Credentials& login = connection->FtpCredentials();
            if (!login.userId.empty()) {
                curl_easy_setopt(handle, CURLOPT_USERNAME, login.userId.c_str());
                curl_easy_setopt(handle, CURLOPT_PASSWORD, login.password.c_str());
            }
            curl_easy_setopt(handle, CURLOPT_TRANSFERTEXT, 0L);
            if (!settings_.ftpPassive) {
                curl_easy_setopt(handle, CURLOPT_FTPPORT, "-");
            }
            if (!ftpDirectory.empty()) {
                connection->SetFtpDirectoryEntered(true);
            }
        }

        pass = Pass{};
        pass.host = &host_;
        pass.handle = handle;
        pass.http = http;
        pass.tempDirectory = settings_.tempDirectory;
        pass.target = target;
        result = curl_easy_perform(handle);
        code = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
        if (pass.temp) {
            ::close(pass.temp->fd);
            pass.temp->fd = -1;
        }
        if (http && code == 401 && settings_.authenticate == Authentication::kAuto &&
            !pass.ioError && !pass.cancel && !pass.hostError) {
            if (pass.temp) {
                DeleteTemp(pass.temp->path);
            }
            if (!AskLogin(address)) {
                return false;
            }
            continue;
        }
        break;
    }

    if (pass.ioError || pass.hostError) {
        if (pass.temp) {
            ::unlink(pass.temp->path.c_str());
        }
        if (pass.hostError) {
            std::rethrow_exception(pass.hostError);
        }
        throw TransferIoError(pass.ioCode, pass.ioPath);
    }
    if (http && code >= 300) {
        if (pass.temp) {
            DeleteTemp(pass.temp->path);
        }
        host_.ReportStatus(916, std::to_string(code), 6, static_cast<int>(code));
        return false;
    }
    if (result != CURLE_OK && !pass.delivered && !pass.cancel && (!http || code == 0)) {
        host_.ReportStatus(917, address, 2, 1);
        return false;
    }

    aborted_ = pass.cancel;
    if (pass.cancel || result != CURLE_OK) {
        if (pass.temp) {
            DeleteTemp(pass.temp->path);
        }
        return false;
    }
    if (!pass.delivered) {
        // An empty answer is not an update: the existing target stays.
        return false;
    }
    if (!StoreTemp(pass.temp->path, target)) {
        return false;
    }
    host_.FileDownloaded(target);
    if (compressed) {
        if (UpperExtension(target) != ".CAB") {
            ExpandCompressedFile(target);
        } else {
            ExtractCabinet(target, ToNativeSeparators(targetDirectory));
            if (!settings_.keepIntermediateFiles) {
                ::unlink(target.c_str());
            }
        }
    }
    return true;
}

bool FileTransfer::DownloadByCopy(const std::string& address, const std::string& targetDirectory,
                                  bool compressed) {
    host_.ReportStatus(915, address, 3, 0);
    const std::string target = ToNativeSeparators(targetDirectory) + host_.FileNameFromURL(address);
    if (!CopyLocalFile(ToNativeSeparators(address), target)) {
        return false;
    }
    host_.FileDownloaded(target);
    if (compressed) {
        std::string upper = target;
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (upper.find(".CAB") == std::string::npos) {
            ExpandCompressedFile(target);
        } else {
            host_.ReportStatus(965, target, 3, 0);
            ExtractCabinet(target, ToNativeSeparators(targetDirectory));
            if (!settings_.keepIntermediateFiles) {
                ::unlink(target.c_str());
            }
        }
    }
    return true;
}

bool FileTransfer::CopyLocalFile(const std::string& source, const std::string& target) {
    if (source == target) {
        host_.ReportStatus(912, source, 10, 3);
        return false;
    }
    // Non-blocking open: a pipe named as the source must not hang the program.
    int in = ::open(ExistingNameIgnoringCase(source).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (in >= 0 && (::fstat(in, &info) != 0 || S_ISDIR(info.st_mode))) {
        ::close(in);
        in = -1;
    }
    if (in < 0) {
        host_.ReportStatus(913, source, 2, 1);
        return false;
    }
    ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);
    off_t length = ::lseek(in, 0, SEEK_END);
    if (length < 0 || ::lseek(in, 0, SEEK_SET) != 0) {
        host_.ReportStatus(914, source, 10, 2);
        ::close(in);
        return false;
    }
    auto temp = CreateTempFile(settings_.tempDirectory);
    if (!temp) {
        ::close(in);
        return false;
    }
    std::vector<char> buffer(kCopyBlock);
    std::int64_t total = 0;
    bool cancel = false;
    bool broken = false;
    for (;;) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            broken = true;
            got = 0;
        }
        if (got > 0 && !WriteAll(temp->fd, buffer.data(), static_cast<size_t>(got))) {
            broken = true;
        } else {
            total += got;
        }
        try {
            host_.FileProgress(source, total, length);
            if (host_.ProgressCancel()) {
                cancel = true;
            }
            host_.ProcessPendingEvents();
        } catch (...) {
            ::close(in);
            ::close(temp->fd);
            ::unlink(temp->path.c_str());
            throw;
        }
        if (got == 0 || cancel || broken) {
            break;
        }
    }
    ::close(in);
    if (::close(temp->fd) != 0) {
        broken = true;
    }
    aborted_ = cancel;
    if (cancel || broken) {
        DeleteTemp(temp->path);
        return false;
    }
    if (!StoreTemp(temp->path, target)) {
        // The source is still there, so the copy is not kept.
        DeleteTemp(temp->path);
        return false;
    }
    return true;
}

std::optional<std::vector<std::string>> FileTransfer::DownloadText(
    Connection* connection, const std::string& address, const std::string& folder,
    const std::string& ftpDirectory) {
    std::string directory = folder;
    if (!directory.empty() && directory.back() != '/') {
        directory += '/';
    }
    if (!DownloadFile(connection, address, directory, false, ftpDirectory)) {
        return std::nullopt;
    }
    std::string path = directory + host_.FileNameFromURL(address);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    ::unlink(path.c_str());
    return SplitLines(text);
}

}  // namespace spisotek::webupdate::transfer

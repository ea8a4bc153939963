#include "webupdate/transfer/connection.h"

#include <curl/curl.h>

#include <mutex>

namespace spisotek::webupdate::transfer {

namespace {

void EnsureGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

Connection::~Connection() {
    if (handle_ != nullptr) {
        curl_easy_cleanup(handle_);
    }
}

std::unique_ptr<Connection> Connection::OpenSession() {
    EnsureGlobalInit();
    CURL* handle = curl_easy_init();
    if (handle == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<Connection>(new Connection(handle));
}

void ApplyCommonOptions(CURL* handle, const TransferSettings& settings) {
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, settings.agent.c_str());
    if (!settings.proxy.empty()) {
        curl_easy_setopt(handle, CURLOPT_PROXY, settings.proxy.c_str());
    }
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, settings.connectTimeoutSeconds);
    // A server that stops sending is given up instead of blocking the program forever.
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, settings.stallTimeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, settings.maxRedirects);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
}

std::unique_ptr<Connection> Connection::ConnectFtp(const TransferSettings& settings,
                                                   const std::string& host, int port,
                                                   const Credentials& credentials) {
    auto connection = OpenSession();
    if (!connection || host.empty()) {
        return nullptr;
    }
    connection->ftp_ = true;
    connection->ftpBase_ = "ftp://" + host + ":" + std::to_string(port) + "/";
    if (!credentials.userId.empty() && !credentials.password.empty()) {
        connection->ftpCredentials_ = credentials;
    }
    CURL* handle = connection->handle_;
    ApplyCommonOptions(handle, settings);
    curl_easy_setopt(handle, CURLOPT_URL, connection->ftpBase_.c_str());
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    if (!connection->ftpCredentials_.userId.empty()) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, connection->ftpCredentials_.userId.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, connection->ftpCredentials_.password.c_str());
    }
    // Logging in now tells the caller at once whether the server takes us; the connection
    // stays in the handle's cache for the transfers that follow.
    if (curl_easy_perform(handle) != CURLE_OK) {
        return nullptr;
    }
    return connection;
}

}  // namespace spisotek::webupdate::transfer

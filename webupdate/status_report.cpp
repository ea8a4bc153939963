#include <cerrno>
#include <cstdio>
#include <utility>

#include "webupdate/inout_error.h"
#include "webupdate/status_messages.h"
#include "webupdate/web_update.h"

namespace spisotek {

namespace webupdate {

namespace {

struct MessageEntry {
    int number;
    const char* text;
};

// 18, 964 and 965 are reported without text.
constexpr MessageEntry kMessages[] = {
    {909, "Download update file : "},
    {910, "Download update files ?"},
    {911, "Shutdown application to update executable files ?"},
    {912, "Equal source and target files : %s"},
    {913, "File not found : %s"},
    {914, "Zero length source file : %s"},
    {915, "Download : %s"},
    {916, "Http status : %s"},
    {917, "File not found : %s"},
    {918, "Checking for Internet connection"},
    {919, "Prompt to open new Internet connection"},
    {920, "Opening Internet connection"},
    {921, "Found open Internet connection"},
    {922, "Cannot open Internet connection"},
    {923, "Connect to host : %s"},
    {925, "Update control file not found"},
    {926, "Update control file found"},
    {927, "Invalid signature in update control file"},
    {928, "Date based update found"},
    {929, "New version found : %s"},
    {930, "No new version found"},
    {931, "Checksum based update found"},
    {932, "File size based update found"},
    {933, "Version based update found"},
    {934, "Found message instruction"},
    {935, "Found HTML dialog instruction"},
    {937, "Found whatsnew instruction"},
    {938, "Whatsnew not accepted"},
    {939, "Found license agreement instruction"},
    {941, "Found URL redirection instruction"},
    {942, "Found URL show instruction"},
    {943, "Found file update instruction"},
    {946, "Cannot download update file : %s"},
    {947, "Error decompressing CAB file : %s"},
    {948, "Finished processing update control file"},
    {949, "Closed Internet connection"},
    {950, "Failed to spawn updater process : %s"},
    {951, "Cannot connect to server for post"},
    {952, "Cannot access resource for post"},
    {953, "Dialup failed"},
    {954, "Closed FTP connection"},
    {955, "Disconnect dialup"},
    {956, "Authentication cancelled"},
    {958, "Spawn %s"},
    {959, "Restart app in directory : %s"},
    {962, "Found application component : %s"},
};

}  // namespace

std::string_view StatusMessageText(int number) {
    for (const MessageEntry& entry : kMessages) {
        if (entry.number == number) {
            return entry.text;
        }
    }
    return {};
}

std::string FormatStatusMessage(int number, std::string_view text) {
    std::string message(StatusMessageText(number));
    const std::size_t marker = message.find("%s");
    if (marker != std::string::npos) {
        message.replace(marker, 2, text);
    }
    return message;
}

std::string FormatLogLine(CivilTime now, char dateSeparator, char timeSeparator, int number,
                          std::string_view message, int statusCode, int errCode) {
    std::string line = FormatCivilTime(now, "dd/mm/yyyy hh:nn:ss", dateSeparator, timeSeparator);
    line += " : [";
    line += std::to_string(number);
    line += "] ";
    line += message;
    line += " (Status:";
    line += std::to_string(statusCode);
    line += ") (Error:";
    line += std::to_string(errCode);
    line += ")";
    return line;
}

void AppendLogLine(const std::string& fileName, std::string_view line) {
    std::FILE* file = std::fopen(fileName.c_str(), "ab");
    if (file == nullptr) {
        file = std::fopen(fileName.c_str(), "wb");
    }
    if (file == nullptr) {
        throw InOutError(errno, fileName);
    }
    const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size() &&
                         std::fwrite("\r\n", 1, 2, file) == 2;
    const int writeError = errno;
    if (std::fclose(file) != 0 || !written) {
        throw InOutError(written ? errno : writeError, fileName);
    }
}

}  // namespace webupdate

void TWebUpdate::ReportStatus(int number, const std::string& text, int statusCode, int errCode) {
    const std::string message = webupdate::FormatStatusMessage(number, text);
    if (logging_) {
        WriteLogLine(webupdate::FormatLogLine(clock_->Now(), clock_->DateSeparator(),
                                              clock_->TimeSeparator(), number, message, statusCode,
                                              errCode));
    }
    if (OnStatus) {
        OnStatus(*this, message, statusCode, errCode);
    }
}

void TWebUpdate::WriteLogLine(const std::string& line) {
    webupdate::AppendLogLine(LogFileName(), line);
}

void TWebUpdate::LogUnableToDelete(const std::string& path) {
    WriteLogLine("Unable to delete file " + path);
}

void TWebUpdate::LogUnableToRename(const std::string& from, const std::string& to) {
    WriteLogLine("Unable to rename file " + from + " to " + to);
}

}  // namespace spisotek

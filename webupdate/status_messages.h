// The numbered messages of the update engine's status reports and prompts,
// and the shape of a status line in the update log.
#pragma once

#include <string>
#include <string_view>

#include "webupdate/civil_time.h"

namespace spisotek::webupdate {

// Prompt texts kept in the same table as the status messages.
inline constexpr int kPromptDownloadFile = 909;  // the file name is appended
inline constexpr int kPromptDownloadFiles = 910;
inline constexpr int kPromptShutdown = 911;

// The text of message `number`; empty for a number without text.
std::string_view StatusMessageText(int number);

// The message with `text` put in place of its first "%s"; `text` is taken as
// it stands, a "%" in it included. Messages without "%s" ignore `text`.
std::string FormatStatusMessage(int number, std::string_view text);

// "dd/mm/yyyy hh:nn:ss : [N] message (Status:S) (Error:E)" with the given
// separators in place of "/" and ":" in the date and time.
std::string FormatLogLine(CivilTime now, char dateSeparator, char timeSeparator, int number,
                          std::string_view message, int statusCode, int errCode);

// Appends `line` and CR LF to the file, creating it when missing; the file is
// opened and closed for this one line. Throws InOutError when the file can be
// neither opened nor created, or the line cannot be written.
void AppendLogLine(const std::string& fileName, std::string_view line);

}  // namespace spisotek::webupdate

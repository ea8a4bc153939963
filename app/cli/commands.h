// The sub-commands of spisotek-cli. Each takes the arguments after the
// program name (argv[0] is the sub-command's own name) and returns the
// process exit status.
#pragma once

namespace spisotek::cli {

int RunSubscriberCommand(int argc, char** argv);
int RunCompanyCommand(int argc, char** argv);
int RunCheckControlCommand(int argc, char** argv);

}  // namespace spisotek::cli

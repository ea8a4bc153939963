#include "app/cli/cli.h"

#include <cstdio>
#include <cstring>

#include "app/cli/commands.h"

namespace spisotek::cli {

namespace {

struct Command {
    const char* name;
    int (*run)(int, char**);
};

constexpr Command kCommands[] = {
    {"subscriber", RunSubscriberCommand},
    {"company", RunCompanyCommand},
    {"check-control", RunCheckControlCommand},
};

void PrintUsage() {
    std::fputs(
        "usage: spisotek-cli subscriber [--dir DIR] --surname S --locality L [--street U] "
        "[--text]\n"
        "       spisotek-cli company [--dir DIR] [--company C] [--locality L] [--text]\n"
        "       spisotek-cli check-control FILE [--dir DIR] [--verbose]\n",
        stderr);
}

}  // namespace

int Main(int argc, char** argv) {
    if (argc >= 2) {
        for (const Command& command : kCommands) {
            if (std::strcmp(argv[1], command.name) == 0) {
                return command.run(argc - 1, argv + 1);
            }
        }
    }
    PrintUsage();
    return 64;
}

}  // namespace spisotek::cli

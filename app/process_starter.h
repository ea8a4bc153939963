// Starting an outside program by name, as the shell's "open" verb did.
//
// The main window only needs the shell's answer: a value above 32 means the
// program was started. The real starter looks the bare name up in the current
// folder and then on PATH and starts it with posix_spawn, without waiting
// for it; tests substitute their own starter.
#pragma once

#include <sys/types.h>

#include <string>

namespace spisotek::app {

class ProcessStarter {
  public:
    // Values the shell gave: above 32 started, otherwise why not.
    static constexpr int kStarted = 33;
    static constexpr int kFileNotFound = 2;
    static constexpr int kCannotStart = 0;

    virtual ~ProcessStarter() = default;

    // Starts `program` with no arguments in the current folder and returns at
    // once; the result is above 32 when the program is running.
    virtual int ShellOpen(const std::string& program) = 0;
};

class SpawnProcessStarter : public ProcessStarter {
  public:
    int ShellOpen(const std::string& program) override;

    // The process id of the last started program, or -1; the caller may reap
    // it (the program usually ends right after starting one).
    pid_t LastChild() const { return lastChild_; }

  private:
    pid_t lastChild_ = -1;
};

// The path of an executable file named `program`: a name with a '/' is taken
// as it is; a bare name is looked up in the current folder, then in each PATH
// folder. Empty when there is none.
std::string FindExecutable(const std::string& program);

}  // namespace spisotek::app

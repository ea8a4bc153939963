#pragma once

struct mspack_system;

namespace spisotek::webupdate::transfer {

// File access for libmspack through stdio, like its built-in one but silent: damaged input is
// the caller's to report, never a line on the terminal.
mspack_system* QuietMspackSystem();

}  // namespace spisotek::webupdate::transfer

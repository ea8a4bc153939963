// spisotek-cli: the directory search and the control-file check for scripts,
// headless machines and operators.
#pragma once

namespace spisotek::cli {

int Main(int argc, char** argv);

}  // namespace spisotek::cli

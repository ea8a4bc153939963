#include "app/cli/cli.h"

int main(int argc, char** argv) {
    return spisotek::cli::Main(argc, argv);
}

#include "app/startup.h"

int main(int argc, char** argv) {
    return spisotek::app::Main(argc, argv);
}

#include "app/quillox_main.h"

int main(int argc, char **argv) {
    return iQuilloxMain(argc, argv);
}

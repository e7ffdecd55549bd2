#include "app/quillox_main.h"

int iQuilloxMain(int, char **) { return 0; }

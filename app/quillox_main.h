#pragma once
// The whole program behind main(): banner, debug channels, help or switches,
// then the run sequence. Returns the exit status.
int iQuilloxMain(int argc, char **argv);

#pragma once
// Runs a program of ours as a user would: arguments, environment additions,
// standard input from /dev/null, both outputs captured, and a time limit after
// which the child is killed so that no test can hang.
#include <string>
#include <vector>

struct ChildResult {
    int iExitStatus = -1; // -1 when killed or not started
    bool fTimedOut = false;
    std::string sOut;
    std::string sErr;
};

ChildResult oRunChild(const std::string &sProgram, const std::vector<std::string> &asArgs,
                      const std::string &sWorkingDir = ".",
                      const std::vector<std::string> &asEnvironment = {}, int iTimeoutSeconds = 20);

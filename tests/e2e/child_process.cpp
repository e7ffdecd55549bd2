#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

ChildResult oRunChild(const std::string &sProgram, const std::vector<std::string> &asArgs,
                      const std::string &sWorkingDir, const std::vector<std::string> &asEnvironment,
                      int iTimeoutSeconds) {
    ChildResult oResult;
    int aiOut[2], aiErr[2];
    if (pipe(aiOut) != 0) {
        return oResult;
    }
    if (pipe(aiErr) != 0) {
        close(aiOut[0]);
        close(aiOut[1]);
        return oResult;
    }
    pid_t iPid = fork();
    if (iPid == 0) {
        int iNull = open("/dev/null", O_RDONLY);
        dup2(iNull, 0);
        dup2(aiOut[1], 1);
        dup2(aiErr[1], 2);
        close(aiOut[0]);
        close(aiErr[0]);
        if (chdir(sWorkingDir.c_str()) != 0) {
            _exit(126);
        }
        for (const std::string &s : asEnvironment) {
            putenv(const_cast<char *>(s.c_str()));
        }
        std::vector<char *> apArgv;
        apArgv.push_back(const_cast<char *>(sProgram.c_str()));
        for (const std::string &s : asArgs) {
            apArgv.push_back(const_cast<char *>(s.c_str()));
        }
        apArgv.push_back(nullptr);
        execv(sProgram.c_str(), apArgv.data());
        _exit(127);
    }
    close(aiOut[1]);
    close(aiErr[1]);
    if (iPid < 0) {
        close(aiOut[0]);
        close(aiErr[0]);
        return oResult;
    }
    auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(iTimeoutSeconds);
    pollfd aFds[2] = {{aiOut[0], POLLIN, 0}, {aiErr[0], POLLIN, 0}};
    int iOpen = 2;
    while (iOpen > 0) {
        auto nLeft = std::chrono::duration_cast<std::chrono::milliseconds>(
                         tEnd - std::chrono::steady_clock::now())
                         .count();
        if (nLeft <= 0) {
            oResult.fTimedOut = true;
            kill(iPid, SIGKILL);
            break;
        }
        if (poll(aFds, 2, static_cast<int>(nLeft)) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (aFds[i].fd >= 0 && (aFds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                char ab[4096];
                ssize_t n = read(aFds[i].fd, ab, sizeof(ab));
                if (n <= 0) {
                    close(aFds[i].fd);
                    aFds[i].fd = -1;
                    --iOpen;
                } else {
                    (i == 0 ? oResult.sOut : oResult.sErr).append(ab, static_cast<size_t>(n));
                }
            }
        }
    }
    for (pollfd &o : aFds) {
        if (o.fd >= 0) {
            close(o.fd);
        }
    }
    int iStatus = 0;
    waitpid(iPid, &iStatus, 0);
    if (!oResult.fTimedOut && WIFEXITED(iStatus)) {
        oResult.iExitStatus = WEXITSTATUS(iStatus);
    }
    return oResult;
}

// An Xvfb of the test's own on a free display (-noreset: it outlives its
// clients), started for the test and ended by its id.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

class Xvfb {
public:
    pid_t pid = -1;
    std::string name;

    bool Start(int depth, int width = 200, int height = 120)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
        std::string fd = std::to_string(fds[1]);
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0",
                   screen.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c;
        while (pid > 0 && poll(&p, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        name = ":" + number;
        return !number.empty();
    }
    ~Xvfb()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};


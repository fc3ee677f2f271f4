// An Xvfb of the test's own on a free display (-noreset: it outlives its
// clients), started for the test and ended by its id.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

class Xvfb {
public:
    pid_t pid = -1;
    std::string name;

    // extra: further arguments of the server (-extension NAME, ...).
    bool Start(int depth, int width = 200, int height = 120, const std::vector<std::string>& extra = {})
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
        std::string fd = std::to_string(fds[1]);
        std::vector<std::string> args{"Xvfb", "-displayfd", fd, "-noreset", "-nolisten", "tcp", "-screen", "0", screen};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            execvp("Xvfb", argv.data());
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


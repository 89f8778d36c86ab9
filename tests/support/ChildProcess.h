#pragma once
// Runs a program of ours as a separate process, reads its output line by line, and stops it.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& command) {
        int fds[2];
        int in[2];
        if (pipe(fds) != 0)
            return;
        if (pipe(in) != 0) {
            close(fds[0]);
            close(fds[1]);
            return;
        }
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            dup2(fds[1], STDERR_FILENO);
            dup2(in[0], STDIN_FILENO);
            close(fds[0]);
            close(fds[1]);
            close(in[0]);
            close(in[1]);
            std::vector<char*> arguments;
            for (const std::string& word : command)
                arguments.push_back(const_cast<char*>(word.c_str()));
            arguments.push_back(nullptr);
            execv(arguments[0], arguments.data());
            _exit(127);
        }
        close(fds[1]);
        close(in[0]);
        output = fdopen(fds[0], "r");
        input = in[1];
    }
    ~ChildProcess() {
        Stop();
        if (output != nullptr)
            fclose(output);
        if (input >= 0)
            close(input);
    }

    // A line on the process's standard input.
    bool Say(const std::string& line) {
        std::signal(SIGPIPE, SIG_IGN); // a process gone is a false return, not the test's end
        const std::string text = line + "\n";
        return input >= 0 &&
               write(input, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

    // Reads lines until one contains the text; false at the end of the output.
    bool WaitForLine(const std::string& text) {
        char line[4096];
        while (output != nullptr && std::fgets(line, sizeof line, output) != nullptr) {
            Lines.emplace_back(line);
            if (Lines.back().find(text) != std::string::npos)
                return true;
        }
        return false;
    }

    // Waits for the process to end by itself; its exit status.
    int Wait() {
        if (pid > 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            pid = -1;
            exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return exitStatus;
    }

    // Asks the process to end, as Ctrl+C would, and waits for it; its exit status, or minus the
    // signal that ended it (-9: it did not end within 20 s of being asked, and was killed).
    int Stop() {
        if (pid <= 0)
            return exitStatus;
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == 0) {
            kill(pid, SIGTERM);
            for (int i = 0; i < 400 && (done = waitpid(pid, &status, WNOHANG)) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (done == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        pid = -1;
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        return exitStatus;
    }

    // Ends the process at once, as a crash or a power cut would: nothing of it runs any more.
    void Kill() {
        if (pid <= 0)
            return;
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
    }

    std::vector<std::string> Lines;

private:
    pid_t pid = -1;
    FILE* output = nullptr;
    int input = -1; // the process's standard input
    int exitStatus = -1;
};

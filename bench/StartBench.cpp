// Start-up: from starting the program to its main window shown, and to the built-in unit's
// answer to the first question shown in it (the status "The Quellfarn is online!"). The program
// runs as a process of its own, as a user starts it, with fresh settings and no other MIDI
// system running, so the simulated unit is the first port and is opened.
//
//   build/bench/bench/start_bench [RUNS]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

struct Start {
    double Window = -1; // milliseconds
    double Answer = -1;
};

Start RunOnce(const std::string& home) {
    Start start;
    int fds[2];
    if (pipe(fds) != 0)
        return start;
    const Clock::time_point began = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        setenv("QUELLFARN_START_REPORT", "1", 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        execl(QUELLFARN_PROGRAM, QUELLFARN_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    FILE* output = fdopen(fds[0], "r");
    char line[256];
    while (output != nullptr && std::fgets(line, sizeof line, output) != nullptr) {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - began).count();
        const std::string text(line);
        if (text.rfind("window", 0) == 0)
            start.Window = ms;
        else if (text.rfind("answer", 0) == 0)
            start.Answer = ms;
    }
    if (output != nullptr)
        std::fclose(output);
    int status = 0;
    waitpid(pid, &status, 0);
    return start;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}
} // namespace

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    std::vector<double> windows;
    std::vector<double> answers;
    for (int run = 0; run < runs; ++run) {
        const std::filesystem::path home =
            std::filesystem::temp_directory_path() /
            ("quellfarn-start-bench-" + std::to_string(getpid()) + "-" + std::to_string(run));
        std::filesystem::create_directories(home);
        const Start start = RunOnce(home.string());
        std::filesystem::remove_all(home);
        std::printf("run %2d: window shown %6.1f ms, first answer shown %6.1f ms\n", run + 1,
                    start.Window, start.Answer);
        windows.push_back(start.Window);
        answers.push_back(start.Answer);
    }
    std::printf("median of %d: window shown %.1f ms, first answer shown %.1f ms (target 150 ms); "
                "slowest %.1f ms\n",
                runs, Median(windows), Median(answers),
                *std::max_element(answers.begin(), answers.end()));
    return 0;
}

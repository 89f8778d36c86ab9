#pragma once
// quellfarn-sim as a process of its own on JACK, under a client name of the test's, and the
// tool's options that choose its ports.

#include <string>
#include <vector>

inline std::vector<std::string> SimCommand(const std::string& name,
                                           const std::vector<std::string>& extra) {
    std::vector<std::string> command{QUELLFARN_SIM, "--api",        "jack", "--name",
                                     name,          "--latency-ms", "1"};
    command.insert(command.end(), extra.begin(), extra.end());
    return command;
}

inline std::string SimPorts(const std::string& name) {
    return " --in '" + name + ":MIDI out' --out '" + name + ":MIDI in'";
}

// Fetching a whole bank from quellfarn-sim over JACK at DIN MIDI speed, against the
// time the bytes alone need on the cable.
//
//   JACK_DEFAULT_SERVER=bench build/bench/bench/sim_fetch_bench
//   build/bench/tools/quellfarn-sim/quellfarn-sim
//
// Each preset: select (8 bytes), request (6 bytes), dump (258 bytes) at 320 µs a byte.

#include "midi/MidiDeviceService.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/RtMidiService.h"
#include "model/Protocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: sim_fetch_bench PATH-TO-quellfarn-sim\n");
        return 2;
    }
    const pid_t sim = fork();
    if (sim == 0) {
        execl(argv[1], argv[1], "--api", "jack", "--name", "Bench Sim", "--latency-ms", "2",
              nullptr);
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));

    MidiDeviceService service;
    service.AddBackend(std::make_unique<RtMidiService>("QuellfarnBench"));
    TMidiInput input(service);
    TMidiOutput output(service);
    std::size_t dumps = 0;
    input.OnMidiInput = [&](TMidiInput& sender) {
        while (sender.PendingCount() > 0)
            if (sender.ReadEvent()->SysexSize == PresetDumpLength)
                ++dumps;
    };
    try {
        input.SetProductName("Bench Sim:MIDI out");
        output.SetProductName("Bench Sim:MIDI in");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s (is a JACK server running?)\n", error.what());
        kill(sim, SIGTERM);
        return 1;
    }
    input.OpenDevice();
    input.StartInput();
    output.OpenDevice();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    QElapsedTimer clock;
    clock.start();
    for (int slot = 0; slot < 200; ++slot) {
        const TBytes select = *SelectPresetMessage(0, slot);
        const TBytes request = RequestCurrentPresetMessage(0);
        output.SendLong(select.data(), static_cast<std::uint16_t>(select.size()));
        output.SendLong(request.data(), static_cast<std::uint16_t>(request.size()));
        const std::size_t expected = static_cast<std::size_t>(slot) + 1;
        while (dumps < expected && clock.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    const double seconds = clock.elapsed() / 1000.0;
    const double floor = 200 * (8 + 6 + 258) * 320e-6;
    std::printf("fetched %zu presets in %.2f s; the cable alone needs %.2f s; ratio %.3f\n", dumps,
                seconds, floor, seconds / floor);
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    return dumps == 200 ? 0 : 1;
}

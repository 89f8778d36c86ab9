// The monitor under a flood of input: how many events a second the main window logs with
// none lost, and the longest the user-interface thread is held up meanwhile.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench/monitor_bench
//
// Also: the time from start to the main window shown (start-up).

#include "app/Main.h"
#include "base/qvUtility.h"
#include "midi/MidiDeviceService.h"
#include "midi/VirtualMidiService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;

struct Result {
    double Seconds;
    std::size_t Logged;
    std::uint32_t Lost;
    qint64 LongestStallMs;
};

Result Flood(TfrmMain& window, VirtualMidiService& devices, int count, double rate,
             const std::vector<std::uint8_t>& message) {
    window.miClearIn->trigger();
    const std::uint32_t lostBefore = window.MidiInput()->LostCount();
    std::atomic<bool> done{false};
    std::size_t logged = 0;
    QElapsedTimer clock;
    clock.start();
    // A 1 ms timer measures how long the thread goes without turning to its event loop.
    qint64 lastTick = 0;
    qint64 longest = 0;
    QTimer stall;
    QObject::connect(&stall, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - lastTick);
        lastTick = now;
    });
    stall.start(1);
    std::thread source([&] {
        const auto start = Clock::now();
        for (int sent = 0; sent < count;) {
            const auto due =
                static_cast<int>(rate *
                                 std::chrono::duration<double>(Clock::now() - start).count()) +
                1;
            while (sent < count && sent < due) {
                devices.Inject("Loop", message.data(), message.size());
                ++sent;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        done = true;
    });
    QElapsedTimer quiet;
    quiet.start();
    // Done when the source has finished, the input queue is empty and no line has come for a
    // while: the log holds 500 lines long before the end, so its newest line is watched.
    std::uint64_t lastLine = 0;
    while (!done || window.MidiInput()->PendingCount() > 0 || quiet.elapsed() < 300) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        const std::uint64_t newest = window.lbxLog->Lines().LastSerial();
        if (newest != lastLine) {
            lastLine = newest;
            quiet.restart();
        }
    }
    source.join();
    stall.stop();
    logged = static_cast<std::size_t>(count) - (window.MidiInput()->LostCount() - lostBefore);
    return {clock.elapsed() / 1000.0, logged, window.MidiInput()->LostCount() - lostBefore,
            longest};
}
} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir settingsFolder;
    setenv("XDG_CONFIG_HOME", settingsFolder.path().toLocal8Bit().constData(), 1);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QElapsedTimer startUp;
    startUp.start();
    QApplication application(argc, argv);
    MidiDeviceService service;
    auto& devices = service.AddBackend(std::make_unique<VirtualMidiService>());
    devices.AddLoopback("Loop");
    TqvRegUtil settings;
    settings.Path = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/Quellfarn");
    settings.PutInteger("TMQReqDelay", 1);
    TfrmMain window(service);
    window.InitializeExplorer(&settings, "Quellfarn");
    window.show();
    QApplication::processEvents();
    std::printf("start-up to main window shown: %lld ms (no processor answering the ping: 2 x 1 ms "
                "waits)\n",
                static_cast<long long>(startUp.elapsed()));

    const std::vector<std::uint8_t> controller{0xB0, 0x07, 0x40};
    std::vector<std::uint8_t> dump(258, 0x11);
    dump.front() = 0xF0;
    dump.back() = 0xF7;
    for (double rate : {1000.0, 3000.0, 10000.0, 30000.0, 50000.0, 100000.0}) {
        const Result result = Flood(window, devices, static_cast<int>(rate * 2), rate, controller);
        std::printf("short events offered at %6.0f/s: logged %6zu in %.2f s, lost %u, longest "
                    "stall %lld ms\n",
                    rate, result.Logged, result.Seconds, result.Lost,
                    static_cast<long long>(result.LongestStallMs));
    }
    for (double rate : {50.0, 100.0, 200.0, 400.0, 1000.0, 2000.0}) {
        const Result result = Flood(window, devices, static_cast<int>(rate * 2), rate, dump);
        std::printf("258-byte dumps offered at %4.0f/s: logged %5zu in %.2f s, lost %u, longest "
                    "stall %lld ms\n",
                    rate, result.Logged, result.Seconds, result.Lost,
                    static_cast<long long>(result.LongestStallMs));
    }
    window.close();
    return 0;
}

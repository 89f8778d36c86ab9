// The port pair following its chosen ports as they go, come back, and refuse to open.

#include "midi/PortPair.h"

#include "midi/FakeMidiService.h"

#include <gtest/gtest.h>

namespace {
const QString kInGone = "MIDI In 'Fake In' is gone - waiting for it to come back";
const QString kOutGone = "MIDI Out 'Fake Out' is gone - waiting for it to come back";
const QString kOutRefused = "MIDI Out 'Fake Out' is back but could not be opened: ";

// One step: the ports the service lists and whether the output refuses to open; then what the
// pair says and holds.
struct Step {
    const char* What;
    std::vector<std::string> Inputs;
    std::vector<std::string> Outputs;
    bool OutputRefuses;
    QString InputLine;
    QString OutputLine; // a refusal is matched by its beginning, the rest is the port's
    QString Missing;
    bool Changed; // the watch says so: the lists differ, or a port that is back waits to open
    bool InputOpen;
    bool OutputOpen;
};
} // namespace

TEST(PortPair, FollowsChosenPortsThatGoAndComeBack) {
    FakeMidiService service;
    TPortPair ports(service);
    ports.OpenInput("Fake In");
    ports.OpenOutput("Fake Out");
    ports.ChosenIn().Name = "Fake In";
    ports.ChosenOut().Name = "Fake Out";
    EXPECT_EQ(ports.Follow(), QStringList({"", ""})) << "nothing to follow before the watch";
    TPortWatch& watch = ports.WatchPorts();
    const std::vector<std::string> in{"Fake In"}, out{"Fake Out"};
    const Step steps[] = {
        {"nothing changed", in, out, false, "", "", "", false, true, true},
        {"the output goes", in, {}, false, "", kOutGone, "MIDI Out 'Fake Out'", true, true, false},
        {"the input goes too",
         {},
         {},
         false,
         kInGone,
         "",
         "MIDI Out 'Fake Out'",
         true,
         false,
         false},
        {"the output is back but refuses",
         {},
         out,
         true,
         "",
         kOutRefused,
         "MIDI Out 'Fake Out'",
         true,
         false,
         false},
        {"it still refuses: tried again, said once",
         {},
         out,
         true,
         "",
         "",
         "MIDI Out 'Fake Out'",
         true,
         false,
         false},
        {"it opens at last",
         {},
         out,
         false,
         "",
         "MIDI Out 'Fake Out' is back and open again",
         "MIDI In 'Fake In'",
         true,
         false,
         true},
        {"the input is back", in, out, false, "MIDI In 'Fake In' is back and open again", "", "",
         true, true, true},
        {"nothing more to try", in, out, false, "", "", "", false, true, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.What);
        service.Inputs = step.Inputs;
        service.Outputs = step.Outputs;
        service.Fail.clear();
        if (step.OutputRefuses)
            service.Fail["OutOpen"] = MMSYSERR_ALLOCATED;
        EXPECT_EQ(watch.Poll(), step.Changed);
        const QStringList said = ports.Follow();
        ASSERT_EQ(said.size(), 2);
        EXPECT_EQ(said[0], step.InputLine);
        if (step.OutputLine == kOutRefused) {
            EXPECT_TRUE(said[1].startsWith(kOutRefused)) << said[1].toStdString();
            EXPECT_GT(said[1].size(), kOutRefused.size()) << "the port says why";
        } else {
            EXPECT_EQ(said[1], step.OutputLine);
        }
        EXPECT_EQ(ports.Missing(), step.Missing);
        EXPECT_EQ(ports.Input().PortState() == TPortState::Open, step.InputOpen);
        EXPECT_EQ(ports.Output().PortState() == TMidiOutput::State::Open, step.OutputOpen);
    }
}

// A port that is back is opened the caller's way where it gives one (the window also keeps the
// choice and times the input afresh).
TEST(PortPair, OpensAPortThatIsBackTheCallersWay) {
    FakeMidiService service;
    TPortPair ports(service);
    ports.OpenInput("Fake In");
    ports.ChosenIn().Name = "Fake In";
    TPortWatch& watch = ports.WatchPorts();
    service.Inputs.clear();
    watch.Poll();
    EXPECT_EQ(ports.Follow()[0], kInGone);
    service.Inputs = {"Fake In"};
    watch.Poll();
    int reopened = 0;
    const QStringList said = ports.Follow({.Input =
                                               [&] {
                                                   ++reopened;
                                                   ports.OpenInput(ports.ChosenIn().Name);
                                               },
                                           .Output = {}});
    EXPECT_EQ(reopened, 1);
    EXPECT_EQ(said[0], "MIDI In 'Fake In' is back and open again");
    EXPECT_EQ(ports.Input().PortState(), TPortState::Open);
}

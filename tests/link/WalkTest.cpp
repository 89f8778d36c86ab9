// The walk through the unit's presets, driven on the device link alone against the in-process
// simulated unit: how often it asks before it gives up.

#include "support/LinkRig.h"
#include "support/PumpUntil.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

// A unit that never answers is asked exactly as often as the limit allows, then given up on.
TEST(Walk, GivesUpAfterExactlyTheRequestsAllowed) {
    for (const int tries : {1, 2, 3}) {
        LinkRig rig;
        rig.processor->SetMute(true);
        int requests = 0;
        rig.processor->SetLog([&requests](const std::string& line) {
            if (line.find("request current preset") != std::string::npos)
                ++requests;
        });
        rig.Link->SetClockSpeed(50);
        rig.Link->MaxTries = tries;
        QTemporaryDir folder;
        TProcedureOptions options;
        options.Banks = {true, false, false, false};
        options.Save = true;
        options.OutputDirectory = folder.path();
        options.Last = 3;
        options.RequestDelay = 5;
        rig.Link->timPresetReq->setInterval(5);
        ASSERT_TRUE(rig.Link->StartProcedure(options));
        rig.Link->timPresetReq->setInterval(5);
        ASSERT_TRUE(rig.RunUntil([&] { return !rig.Ended.isEmpty(); })) << tries;
        EXPECT_EQ(rig.Ended, QStringLiteral("The unit stopped answering: preset #1 of bank A did "
                                            "not arrive after %1 requests")
                                 .arg(tries));
        EXPECT_EQ(requests, tries);
    }
}

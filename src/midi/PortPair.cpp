// The unit's input and output, opened, watched and followed as they go and come back.

#include "midi/PortPair.h"

TPortPair::TPortPair(MidiService& service)
    : service(service), input(std::make_unique<TMidiInput>(service)),
      output(std::make_unique<TMidiOutput>(service)) {}

TPortPair::~TPortPair() {
    // The watch first: nothing follows the ports while they close.
    watch.reset();
    input.reset();
    output.reset();
}

void TPortPair::OpenInput(const QString& name) {
    input->CloseDevice();
    input->SetProductName(name);
    input->OpenDevice();
    input->StartInput();
}

void TPortPair::OpenOutput(const QString& name) {
    output->CloseDevice();
    output->SetProductName(name);
    output->OpenDevice();
}

TPortWatch& TPortPair::WatchPorts() {
    watch = std::make_unique<TPortWatch>(service);
    watch->Retry = [this] { return chosenIn.Refused || chosenOut.Refused; };
    return *watch;
}

QStringList TPortPair::Follow(const TReopen& reopen) {
    if (!watch)
        return {QString(), QString()};
    const auto reopenInput = reopen.Input ? reopen.Input : [this] { OpenInput(chosenIn.Name); };
    const auto reopenOutput =
        reopen.Output ? reopen.Output : [this] { OpenOutput(chosenOut.Name); };
    return {TPortWatch::Follow(
                chosenIn, watch->Inputs(), [this] { input->CloseDevice(); }, reopenInput),
            TPortWatch::Follow(
                chosenOut, watch->Outputs(), [this] { output->CloseDevice(); }, reopenOutput)};
}

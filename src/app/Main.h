#pragma once
// The main window: the MIDI explorer extended with everything that knows the processor.

#include "explorer/MIDIExplorer.h"

class TfrmMain : public TfrmMIDIExplorer {
    Q_OBJECT
public:
    explicit TfrmMain(MidiService& service, QWidget* parent = nullptr);
    ~TfrmMain() override;

    void OpenBufferInEditor() override;
};

// The main window.

#include "app/Main.h"

TfrmMain::TfrmMain(MidiService& service, QWidget* parent) : TfrmMIDIExplorer(service, parent) {}

TfrmMain::~TfrmMain() { DestroyExplorer(); }

void TfrmMain::OpenBufferInEditor() {}

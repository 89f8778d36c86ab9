#pragma once
// Sliders and scroll bars that show their value as a text ("78%") tell that text to screen
// readers: as their value text, and at the head of their description, where a screen reader
// that reads only numbers from the value (the AT-SPI bridge of this Qt reads only numbers) still
// hears it. The text is set with SetValueText; a control without one is left to Qt.

class QAbstractSlider;
class QString;

// Installs the accessibility factory once; harmless to call again.
void InstallValueTextAccessibility();
// The text the control's value reads as; the screen reader is told of the change.
void SetValueText(QAbstractSlider* control, const QString& text);

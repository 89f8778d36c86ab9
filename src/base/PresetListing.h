#pragma once
#include <QFont>
#include <QString>
class TPresetListing {
public:
    bool Begin(const QFont&, bool) { return true; }
    void Line(int, int, const QString&) {}
    void End() {}
    bool Active() const { return false; }
};

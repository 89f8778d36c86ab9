#pragma once
// One program at a time writes a unit: the window and quellfarn-tool (or two tools) take the
// unit's lock, a file in its memory folder, for the length of a write job. A lock left by a
// program that died is taken over.

#include <QLockFile>
#include <QString>
#include <memory>

class TUnitLock {
public:
    explicit TUnitLock(const QString& memoryFolder);
    ~TUnitLock();
    TUnitLock(const TUnitLock&) = delete;
    TUnitLock& operator=(const TUnitLock&) = delete;

    // Takes the lock, waiting up to `milliseconds` for another writer to finish; true when held.
    bool Take(int milliseconds);
    bool Held() const { return held; }
    void Release();
    // Who holds it, for the user: "quellfarn-tool (process 4711)"; empty when nobody is known.
    QString Holder() const;

    static QString FileIn(const QString& memoryFolder);

private:
    std::unique_ptr<QLockFile> file;
    bool held = false;
};

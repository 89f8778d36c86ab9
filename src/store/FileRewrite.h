#pragma once
// Preset files rewritten together, all or nothing, each one's previous version kept beside it as
// "<name>.before-<date>" ("Slap.tmq.before-2024-05-01", then "-2", "-3" that day), where the
// library's file lists do not take it for a preset.

#include "model/Protocol.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <vector>

struct TFileChange {
    QString Path;
    TBytes Before; // what the file held when the change was worked out
    TBytes After;
};

struct TFileRewrite {
    QStringList Kept; // where each file's previous version went, in the order of the changes
    QString Error;    // empty: every file holds its change; else no file changed
};

// A file that no longer holds what the change was worked out from is not written over; nothing
// is then written, as when a copy or a write fails (the files written by then are put back).
TFileRewrite RewriteFiles(const std::vector<TFileChange>& changes,
                          const QDate& today = QDate::currentDate());

// Where a file's previous version goes on that day: the first such name not yet taken.
QString BeforeName(const QString& path, const QDate& day);

// Drafts of unsaved edits: the file format, the names and locks that keep running programs
// apart, and setting aside what cannot be read.

#include "editor/DraftStore.h"

#include "store/WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSysInfo>
#include <algorithm>
#include <limits>
#include <map>

namespace {
const QByteArray kHeader = "Quellfarn draft 1";
const QByteArray kEnd = "end";
// A draft is a few kilobytes; anything much larger is not one.
constexpr qint64 kLargestDraft = 64 * 1024;

const std::map<TPresetDocument::TReference, QByteArray>& KindWords() {
    static const std::map<TPresetDocument::TReference, QByteArray> words = {
        {TPresetDocument::TReference::None, "none"},
        {TPresetDocument::TReference::Loaded, "loaded"},
        {TPresetDocument::TReference::Saved, "saved"},
        {TPresetDocument::TReference::Stored, "stored"}};
    return words;
}

QByteArray Hex(const TBytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toHex();
}

// The draft's fields by key, as read; a key not there reads as missing, not as empty.
class TFields {
public:
    QString Problem;

    // (key, value): in the order a line holds them.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    void Add(const QByteArray& key, const QByteArray& value) { fields[key] = value; }
    const QByteArray* Find(const char* key) {
        const auto found = fields.find(key);
        if (found != fields.end())
            return &found->second;
        Fail(QStringLiteral("\"%1\" is missing").arg(QLatin1String(key)));
        return nullptr;
    }
    QString Text(const char* key) {
        const QByteArray* value = Find(key);
        // Written percent-encoded: a name with a line break in it stays on its line.
        return value != nullptr ? QString::fromUtf8(QByteArray::fromPercentEncoding(*value))
                                : QString();
    }
    // (low, high): the range, low first.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    int Number(const char* key, int low, int high) {
        const QByteArray* value = Find(key);
        bool ok = false;
        const int number = value != nullptr ? value->toInt(&ok) : 0;
        if (value != nullptr && (!ok || number < low || number > high))
            Fail(QStringLiteral("\"%1\" is not a number from %2 to %3")
                     .arg(QLatin1String(key))
                     .arg(low)
                     .arg(high));
        return ok ? number : 0;
    }
    // A dump, or nothing where that is allowed.
    TBytes Dump(const char* key, bool mayBeEmpty) {
        const QByteArray* value = Find(key);
        if (value == nullptr || (mayBeEmpty && value->isEmpty()))
            return {};
        static const QRegularExpression hex(QStringLiteral("^([0-9a-f]{2})*$"));
        const QByteArray bytes = QByteArray::fromHex(*value);
        const TBytes dump(bytes.begin(), bytes.end());
        if (!hex.match(QString::fromLatin1(*value)).hasMatch() ||
            dump.size() != static_cast<std::size_t>(PresetDumpLength) || !IsPresetDump(dump)) {
            Fail(QStringLiteral("\"%1\" is not a preset dump").arg(QLatin1String(key)));
            return {};
        }
        return dump;
    }
    void Fail(const QString& why) {
        if (Problem.isEmpty())
            Problem = why;
    }

private:
    std::map<QByteArray, QByteArray> fields;
};

// A name in the folder that is not taken: the name itself, else with a number before it.
QString FreeName(const QDir& dir, const QString& name) {
    QString free = name;
    for (int n = 2; QFileInfo::exists(dir.filePath(free)); ++n)
        free = QStringLiteral("%1 %2").arg(n).arg(name);
    return dir.filePath(free);
}

// The program a draft or lock file belongs to: its name up to the last '-'.
QString OwnerOf(const QString& fileName) {
    const QString base = QFileInfo(fileName).completeBaseName();
    return fileName.endsWith(QLatin1String(".lock")) ? base : base.left(base.lastIndexOf('-'));
}
} // namespace

QString TDraft::Title() const {
    const QString title =
        Dump.empty() ? QString() : QString::fromLatin1(PresetTitleOf(Dump).c_str()).trimmed();
    return title.isEmpty() ? WindowTitle : title;
}

TDraftStore::TDraftStore(QString folder) : folder(std::move(folder)) {
    // The process and the moment it began writing drafts: a program that reuses the process
    // number of one that died does not take that one's drafts for its own.
    static int made = 0;
    owner = QStringLiteral("%1-%2-%3")
                .arg(QCoreApplication::applicationPid())
                .arg(QDateTime::currentMSecsSinceEpoch())
                .arg(made++);
}

TDraftStore::~TDraftStore() = default;

QString TDraftStore::NewPath() {
    return QDir(folder).filePath(QStringLiteral("%1-%2.draft").arg(owner).arg(++written));
}

bool TDraftStore::OwnLock() {
    if (lock && lock->isLocked() && QFileInfo::exists(lock->fileName()))
        return true;
    lock.reset();
    if (!QDir().mkpath(folder))
        return false;
    lock = std::make_unique<QLockFile>(QDir(folder).filePath(owner + QStringLiteral(".lock")));
    lock->setStaleLockTime(0); // held as long as the program runs
    return lock->tryLock(0);
}

QString TDraftStore::Write(const QString& path, const TDraft& draft) {
    // Without the lock another program could take the draft for an orphan; the edits are worth
    // more than that risk, so the draft is written all the same.
    OwnLock();
    QByteArray text = kHeader + '\n';
    const auto line = [&text](const char* key, const QByteArray& value) {
        text += key + QByteArray("=") + value + '\n';
    };
    line("written", draft.Written.toString(Qt::ISODateWithMs).toLatin1());
    line("window", draft.WindowTitle.toUtf8().toPercentEncoding());
    line("file", draft.FileName.toUtf8().toPercentEncoding());
    line("new", draft.IsNew ? "1" : "0");
    line("homeBank", QByteArray::number(draft.Home.Bank));
    line("homeSlot", QByteArray::number(draft.Home.Slot));
    line("dump", Hex(draft.Dump));
    line("loaded", Hex(draft.Loaded));
    line("referenceKind", KindWords().at(draft.ReferenceKind));
    line("reference", Hex(draft.Reference));
    line("storeReplaced", Hex(draft.StoreReplaced));
    line("storeSlot", QByteArray::number(draft.StoreSlot));
    line("storeBank", QByteArray::number(draft.StoreBank));
    line("storeJournalStep", QByteArray::number(draft.StoreJournalStep));
    line("storeKeptFile", draft.StoreKeptFile.toUtf8().toPercentEncoding());
    text += kEnd + '\n';
    // A full disk must not put an empty draft in place of the last good one.
    if (!QDir().mkpath(folder))
        return QStringLiteral("Cannot write %1: cannot create the folder").arg(path);
    if (const QString error = WriteWholeFile(path, text); !error.isEmpty())
        return QStringLiteral("Cannot write %1: %2").arg(path, error);
    return {};
}

bool TDraftStore::Remove(const QString& path) {
    return !QFileInfo::exists(path) || QFile::remove(path);
}

QString TDraftStore::Read(const QString& path, TDraft& draft) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    if (file.size() > kLargestDraft)
        return QStringLiteral("the file is too large");
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.isEmpty() || lines.front() != kHeader)
        return QStringLiteral("not a draft");
    // The last line is written last: without it the file ends early.
    if (lines.size() < 3 || lines[lines.size() - 2] != kEnd || !lines.back().isEmpty())
        return QStringLiteral("the file ends early");
    TFields fields;
    for (qsizetype at = 1; at < lines.size() - 2; ++at) {
        const qsizetype equals = lines[at].indexOf('=');
        if (equals <= 0)
            return QStringLiteral("line %1 is not \"key=value\"").arg(at + 1);
        fields.Add(lines[at].left(equals), lines[at].mid(equals + 1));
    }
    TDraft read;
    read.Written = QDateTime::fromString(fields.Text("written"), Qt::ISODateWithMs);
    if (!read.Written.isValid())
        fields.Fail(QStringLiteral("\"written\" is not a time"));
    read.WindowTitle = fields.Text("window");
    read.FileName = fields.Text("file");
    read.IsNew = fields.Number("new", 0, 1) == 1;
    read.Home.Bank = fields.Number("homeBank", -1, 3);
    read.Home.Slot = fields.Number("homeSlot", 0, 200);
    read.Dump = fields.Dump("dump", false);
    read.Loaded = fields.Dump("loaded", true);
    if (const QByteArray* kind = fields.Find("referenceKind")) {
        const auto& words = KindWords();
        const auto found = std::find_if(words.begin(), words.end(),
                                        [&](const auto& word) { return word.second == *kind; });
        if (found == words.end())
            fields.Fail(QStringLiteral("\"referenceKind\" is none of its words"));
        else
            read.ReferenceKind = found->first;
    }
    read.Reference =
        fields.Dump("reference", read.ReferenceKind == TPresetDocument::TReference::None);
    read.StoreReplaced = fields.Dump("storeReplaced", true);
    read.StoreSlot = fields.Number("storeSlot", 0, 200);
    read.StoreBank = fields.Number("storeBank", -1, 3);
    read.StoreJournalStep = fields.Number("storeJournalStep", -1, std::numeric_limits<int>::max());
    read.StoreKeptFile = fields.Text("storeKeptFile");
    if (!fields.Problem.isEmpty())
        return fields.Problem;
    draft = read;
    return {};
}

bool TDraftStore::OwnerGone(const QString& other) {
    if (other == owner)
        return false;
    const QString path = QDir(folder).filePath(other + QStringLiteral(".lock"));
    if (!QFileInfo::exists(path))
        return true;
    auto held = std::make_unique<QLockFile>(path);
    held->setStaleLockTime(0); // only a program that is gone leaves its lock behind
    if (!held->tryLock(0)) {
        qint64 pid = 0;
        QString host;
        QString application;
        // One process number is never two running programs: a lock with this program's number
        // that is not this program's own was left by an earlier one.
        const bool readable = held->getLockInfo(&pid, &host, &application);
        const bool earlierRun = readable && pid == QCoreApplication::applicationPid() &&
                                (host.isEmpty() || host == QSysInfo::machineHostName());
        // A lock that cannot be read was cut short by the end of its program.
        if ((readable && !earlierRun) || !held->removeStaleLockFile() || !held->tryLock(0))
            return false;
    }
    adopted.push_back(std::move(held));
    return true;
}

TDraftStore::TOrphans TDraftStore::Orphans() {
    TOrphans orphans;
    const QDir dir(folder);
    std::map<QString, bool> gone;
    const auto isGone = [&](const QString& name) {
        const QString other = OwnerOf(name);
        const auto known = gone.find(other);
        return known != gone.end() ? known->second : (gone[other] = OwnerGone(other));
    };
    for (const QString& name : dir.entryList({QStringLiteral("*.draft")}, QDir::Files)) {
        if (!isGone(name))
            continue;
        TFound found{dir.filePath(name), {}};
        const QString why = Read(found.Path, found.Draft);
        if (why.isEmpty()) {
            orphans.Drafts.push_back(found);
            continue;
        }
        // Never deleted: what could not be read may still be worth something to someone.
        const QString kept = FreeName(dir, name + QStringLiteral(".damaged"));
        orphans.Damaged << (QFile::rename(found.Path, kept)
                                ? QStringLiteral("A draft of unsaved changes is damaged (%1) and "
                                                 "was not recovered: it is kept as %2")
                                      .arg(why, kept)
                                : QStringLiteral("A draft of unsaved changes is damaged (%1) and "
                                                 "was not recovered: it stays as %2")
                                      .arg(why, found.Path));
    }
    // The locks of programs gone that left no draft go too, when Release lets them go.
    for (const QString& name : dir.entryList({QStringLiteral("*.lock")}, QDir::Files))
        isGone(name);
    std::stable_sort(
        orphans.Drafts.begin(), orphans.Drafts.end(),
        [](const TFound& a, const TFound& b) { return a.Draft.Written < b.Draft.Written; });
    return orphans;
}

QStringList TDraftStore::Decline(const QStringList& paths) {
    QStringList kept;
    const QDir declined(QDir(folder).filePath(QStringLiteral("declined")));
    if (!QDir().mkpath(declined.path()))
        return kept;
    for (const QString& path : paths) {
        const QString target = FreeName(declined, QFileInfo(path).fileName());
        if (QFile::rename(path, target))
            kept << target;
    }
    return kept;
}

void TDraftStore::Release() {
    adopted.clear(); // each lock file goes with its lock
}

// The gig view: songs shown large, the unit turned to each song's preset, its own program
// changes followed.

#include "library/GigView.h"

#include "library/SongPresetLook.h"
#include "link/DeviceLink.h"
#include "model/DeviceMode.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

namespace {
QLabel* Label(QWidget* parent, const char* name, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// "B017  Slap Funk": the place and, where known, the title.
QString PresetLine(const TSongPresetLook& look) {
    if (!look.Problem.isEmpty())
        return look.Place + QStringLiteral("  (cannot be read)");
    return look.Title.isEmpty() ? look.Place : look.Place + QStringLiteral("  ") + look.Title;
}

// (a, b): share is a's part of the blend.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QColor Blend(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

// The largest pixel size from `largest` down to `smallest` at which the text fits the width on
// one line; below it the label wraps. (largest, smallest): the order of a range.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void FitFont(QLabel& label, int largest, int smallest, int width) {
    QFont font = label.font();
    int size = largest;
    for (;;) {
        font.setPixelSize(std::max(1, size));
        if (size <= smallest ||
            QFontMetrics(font).horizontalAdvance(label.text()) <= std::max(1, width))
            break;
        size = std::max(smallest, size * 9 / 10);
    }
    label.setFont(font);
}
} // namespace

TfrmGig::TfrmGig(const TSetList& list, const QString& setListPath, TDeviceLink* link,
                 QWidget* parent)
    : QWidget(parent), list(list), link(link) {
    setObjectName(QStringLiteral("frmGig"));
    setWindowFlag(Qt::Window);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    const QFileInfo file(setListPath);
    folder = setListPath.isEmpty() ? QString() : file.absolutePath();
    setWindowTitle(QStringLiteral("Gig - ") + file.completeBaseName());

    lblSetName = Label(this, "lblSetName");
    lblSetName->setText(file.completeBaseName());
    lblPosition = Label(this, "lblPosition", Qt::AlignRight);
    lblTitle = Label(this, "lblTitle");
    lblPreset = Label(this, "lblPreset");
    lblNote = Label(this, "lblNote");
    lblNext = Label(this, "lblNext");
    lblStatus = Label(this, "lblStatus");
    lblKeys = Label(this, "lblKeys");
    lblKeys->setText(QStringLiteral("Space, Page Down, \u2192: next song    Backspace, Page Up, "
                                    "\u2190: back    Enter: choose again    Esc: leave"));
    for (QLabel* label : {lblTitle, lblPreset, lblNote, lblNext, lblStatus})
        label->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout();
    top->addWidget(lblSetName, 1);
    top->addWidget(lblPosition);
    layout->addLayout(top);
    layout->addWidget(lblTitle);
    layout->addWidget(lblPreset);
    layout->addWidget(lblNote);
    layout->addStretch(1);
    layout->addWidget(lblNext);
    layout->addWidget(lblStatus);
    layout->addWidget(lblKeys);

    if (link != nullptr)
        connect(link, &TDeviceLink::ProgramChangeArrived, this, &TfrmGig::UnitChangedProgram);
    current = this->list.Songs.empty() ? -1 : 0;
    Show();
    Restyle();
}

void TfrmGig::Go(int song) {
    if (list.Songs.empty())
        return;
    current = std::clamp(song, 0, static_cast<int>(list.Songs.size()) - 1);
    ++steps;
    Show();
    Select();
}

void TfrmGig::Step(int step) {
    if (current < 0) {
        Say(QStringLiteral("This set list has no songs"));
        return;
    }
    const int next = current + step;
    if (next < 0)
        Say(QStringLiteral("This is the first song of the set"));
    else if (next >= static_cast<int>(list.Songs.size()))
        Say(QStringLiteral("That was the last song of the set"));
    else
        Go(next);
}

void TfrmGig::Show() {
    const int count = static_cast<int>(list.Songs.size());
    lblPosition->setText(QStringLiteral("%1 / %2").arg(current + 1).arg(count));
    const TUnitMemory* memory = link.isNull() ? nullptr : link->Memory();
    if (current < 0) {
        lblTitle->setText(QStringLiteral("This set list has no songs"));
        for (QLabel* label : {lblPreset, lblNote, lblNext})
            label->clear();
    } else {
        const TSong& song = list.Songs[static_cast<std::size_t>(current)];
        lblTitle->setText(QString::fromStdString(song.Title));
        lblPreset->setText(PresetLine(LookUpSongPreset(song.Preset, folder, memory)));
        lblNote->setText(QString::fromStdString(song.Note));
        if (current + 1 < count) {
            const TSong& next = list.Songs[static_cast<std::size_t>(current + 1)];
            lblNext->setText(QStringLiteral("Next: %1    %2")
                                 .arg(QString::fromStdString(next.Title),
                                      PresetLine(LookUpSongPreset(next.Preset, folder, memory))));
        } else {
            lblNext->setText(QStringLiteral("Last song of the set"));
        }
    }
    lblNote->setVisible(!lblNote->text().isEmpty());
    Restyle();
}

void TfrmGig::Say(const QString& text, TSay how) {
    warning = how == TSay::Warning;
    lblStatus->setText(text);
    Restyle();
}

QString TfrmGig::UnitAbsent() const {
    const QString without = QStringLiteral(": the songs step on without it");
    if (link.isNull())
        return QStringLiteral("No unit") + without;
    if (!link->PortMissing().isEmpty())
        return link->PortMissing() + QStringLiteral(" has gone") + without;
    if (!link->OutputOpen())
        return QStringLiteral("No MIDI Out is open to the unit") + without;
    return {};
}

void TfrmGig::Select() {
    if (current < 0)
        return;
    if (const QString absent = UnitAbsent(); !absent.isEmpty()) {
        Say(absent, TSay::Warning);
        return;
    }
    const TSongPreset& preset = list.Songs[static_cast<std::size_t>(current)].Preset;
    const TSongPresetLook look = LookUpSongPreset(preset, folder, link->Memory());
    if (link->Busy()) {
        Say(QStringLiteral("%1; the unit was not turned to %2").arg(link->BusyReason(), look.Place),
            TSay::Warning);
        return;
    }
    if (preset.IsFile()) {
        if (look.Dump.empty()) {
            Say(look.Problem + QStringLiteral("; the unit stays on its preset"), TSay::Warning);
            return;
        }
        // The unit takes a dump under its own device byte.
        TBytes dump = look.Dump;
        dump[2] = static_cast<std::uint8_t>(DeviceId & 0x7F);
        if (link->SendRequest(dump))
            Say(look.Place + QStringLiteral(" sent to the unit's edit buffer"));
        else
            Say(QStringLiteral("%1 did not go out to the unit").arg(look.Place), TSay::Warning);
        return;
    }
    // The bank is chosen every time: the unit's own switches may have left it in another.
    if (!PrePlenovaMode)
        link->SelectBank(preset.Bank);
    const std::optional<TBytes> select = SelectPresetMessage(DeviceId, preset.Slot - 1);
    if (!select || link.isNull() || !link->SendRequest(*select)) {
        Say(QStringLiteral("The unit was not turned to %1").arg(look.Place), TSay::Warning);
        return;
    }
    Say(QString());
}

void TfrmGig::UnitChangedProgram(int program) {
    lastProgram = program;
    if (followPending)
        return;
    // The unit is asked where it is once the input that brought the change is handled.
    followPending = true;
    QTimer::singleShot(0, this, [this] { FollowTheUnit(); });
}

void TfrmGig::FollowTheUnit() {
    followPending = false;
    if (current < 0 || link.isNull() || link->Busy())
        return;
    const int stepsBefore = steps;
    int bank = 0;
    int slot = 0;
    bool told = false;
    if (link->OutputOpen()) {
        const QPointer<TfrmGig> alive(this);
        told = link->WhereIsTheUnit(bank, slot);
        if (alive.isNull() || link.isNull())
            return;
    }
    if (steps != stepsBefore)
        return; // the player stepped meanwhile: that step stands
    if (!told) {
        // A foot controller's program change all the same: the next song.
        Step(1);
        if (lblStatus->text().isEmpty())
            Say(QStringLiteral("A program change came, but the unit did not say where it is"),
                TSay::Warning);
        return;
    }
    const auto uses = [&](int song) {
        const TSongPreset& preset = list.Songs[static_cast<std::size_t>(song)].Preset;
        return !preset.IsFile() && preset.Slot == slot && (PrePlenovaMode || preset.Bank == bank);
    };
    // Where several songs share the slot: the one a program table made from the set calls up
    // with this program, else the one shown, else the nearest after it.
    const int count = static_cast<int>(list.Songs.size());
    std::vector<int> order;
    if (lastProgram >= 0 && lastProgram < count)
        order.push_back(lastProgram);
    for (int i = 0; i < count; ++i)
        order.push_back((current + i) % count);
    const auto found = std::find_if(order.begin(), order.end(), uses);
    const QString place =
        QString::fromStdString(TSongPreset{.Bank = bank, .Slot = slot, .Path = {}}.Text(Mode));
    if (found == order.end()) {
        Say(QStringLiteral("The unit is on %1, which no song of this set uses").arg(place),
            TSay::Warning);
        return;
    }
    if (*found == current) {
        if (warning)
            Say(QString()); // back where the set is
        return;
    }
    current = *found;
    ++steps;
    Show();
    Say(QStringLiteral("The unit turned to %1").arg(place));
}

void TfrmGig::keyPressEvent(QKeyEvent* event) {
    // A key held down must not run through the set.
    const bool repeat = event->isAutoRepeat();
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_PageDown:
    case Qt::Key_Right:
        if (!repeat)
            Step(1);
        return;
    case Qt::Key_Backspace:
    case Qt::Key_PageUp:
    case Qt::Key_Left:
        if (!repeat)
            Step(-1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!repeat)
            Go(current);
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TfrmGig::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Restyle();
}

void TfrmGig::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        Restyle();
}

void TfrmGig::Restyle() {
    // Sizes follow the window's height, so that the song reads from across a stage on any
    // screen; a long title gives way before it wraps.
    const int height = std::max(400, this->height());
    const int margin = height / 30;
    layout()->setContentsMargins(margin, margin, margin, margin);
    layout()->setSpacing(height / 60);
    const int width = std::max(100, this->width() - 2 * margin);
    const QPalette colours = palette();
    const QColor text = colours.color(QPalette::WindowText);
    const QColor back = colours.color(QPalette::Window);
    const bool dark = back.lightness() < 128;
    const QColor muted = Blend(text, back, 0.62);
    const QColor accent = colours.color(QPalette::Link);
    const QColor alarm = dark ? QColor(0xff, 0xb3, 0x47) : QColor(0xa0, 0x40, 0x00);
    struct TLook {
        QLabel* Label;
        int Largest; // pixels
        int Smallest;
        QColor Colour;
        bool Bold;
    };
    const int position = height / 14;
    for (const TLook& look : std::initializer_list<TLook>{
             {lblSetName, height / 28, height / 40, muted, false},
             {lblPosition, position, position, text, true},
             {lblTitle, height / 6, height / 14, text, true},
             {lblPreset, height / 9, height / 18, accent, true},
             {lblNote, height / 16, height / 24, text, false},
             {lblNext, height / 18, height / 26, muted, false},
             {lblStatus, height / 30, height / 40, warning ? alarm : muted, warning},
             {lblKeys, std::max(12, height / 48), std::max(12, height / 48), muted, false}}) {
        QFont font = look.Label->font();
        font.setBold(look.Bold);
        look.Label->setFont(font);
        FitFont(*look.Label, look.Largest, look.Smallest,
                look.Label == lblSetName ? width - position * 4 : width);
        QPalette shade = look.Label->palette();
        shade.setColor(QPalette::WindowText, look.Colour);
        look.Label->setPalette(shade);
    }
}

TfrmGig* ShowGigView(QWidget* parent, const TSetList& list, const QString& setListPath,
                     TDeviceLink* link, int firstSong) {
    auto* gig = new TfrmGig(list, setListPath, link, parent); // frees itself when closed
    gig->setAttribute(Qt::WA_DeleteOnClose);
    // The whole screen of the window it comes from, also where no window manager makes it so.
    const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr)
        gig->setGeometry(screen->geometry());
    gig->showFullScreen();
    gig->raise();
    gig->activateWindow();
    gig->Go(firstSong);
    return gig;
}

// The monitor log: a line per received event (the line owns it) and, when asked, per sent
// message; progress lines; the 500-line limit on all of them; what a line means; saving
// selected SysEx lines; and what a double click on a line does.

#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "explorer/MIDIExplorer.h"
#include "midi/MidiDeviceService.h"
#include "midi/Monprocs.h"
#include "store/WholeFile.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cstring>

void TfrmMIDIExplorer::BuildMonitor() {
    tsMonitor = new QWidget(pgcTab);
    tsMonitor->setObjectName(QStringLiteral("tsMonitor"));
    auto* layout = new QVBoxLayout(tsMonitor);
    layout->setContentsMargins(0, 0, 0, 0);
    lbxLog = new TLogView(kLogLineLimit, tsMonitor);
    lbxLog->setObjectName(QStringLiteral("lbxLog"));
    lbxLog->setAccessibleName(QStringLiteral("MIDI monitor log"));
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    lbxLog->setFont(font);
    layout->addWidget(lbxLog);
    pgcTab->addTab(tsMonitor, QStringLiteral("MIDI Monitor"));
    connect(pgcTab, &QTabWidget::currentChanged, this, [this](int index) {
        if (pgcTab->widget(index) == tsMonitor)
            pgcTab->setTabText(index, QStringLiteral("MIDI Monitor"));
    });
    connect(lbxLog, &QAbstractItemView::doubleClicked, this, [this] { LogDoubleClick(); });
    connect(lbxLog, &TLogView::LineChosen, this, [this](int row) { ShowLineMeaning(row); });

    popInLog = new QMenu(this);
    popInLog->setObjectName(QStringLiteral("popInLog"));
    pmiDelete = popInLog->addAction(QStringLiteral("&Delete selection"), this, [this] {
        const std::vector<int> rows = lbxLog->SelectedLines();
        for (auto row = rows.rbegin(); row != rows.rend(); ++row)
            DeleteLogLine(*row);
    });
    pmiDelete->setObjectName(QStringLiteral("pmiDelete"));
    pmiClearinputLog = popInLog->addAction(QStringLiteral("&Clear input Log"), this,
                                           [this] { miClearIn->trigger(); });
    pmiClearinputLog->setObjectName(QStringLiteral("pmiClearinputLog"));
    pmiCopySelectedText = popInLog->addAction(QStringLiteral("Copy selected text"), this, [this] {
        QString text;
        for (int row : lbxLog->SelectedLines())
            text += lbxLog->LineText(row) + QStringLiteral("\r\n");
        QApplication::clipboard()->setText(text);
    });
    pmiCopySelectedText->setObjectName(QStringLiteral("pmiCopySelectedText"));
    pmiSaveSelectedSysex = popInLog->addAction(QStringLiteral("Save selected as .syx..."), this,
                                               [this] { SaveSelectedSysex(); });
    pmiSaveSelectedSysex->setObjectName(QStringLiteral("pmiSaveSelectedSysex"));
    pmiSetDblClickLogOpt = popInLog->addMenu(QStringLiteral("Set double-click action"));
    pmiSetDblClickLogOpt->setObjectName(QStringLiteral("pmiSetDblClickLogOpt"));
    auto* actions = new QActionGroup(this);
    const char* const names[] = {"pmiSetLogLoadEvent", "pmiSetLogEdit", "pmiSetLogSend"};
    const QString captions[] = {QStringLiteral("&Load event into buffer"),
                                QStringLiteral("Open in Editor"),
                                QStringLiteral("Send to MIDI Out")};
    QAction* items[3];
    for (int action = 0; action < 3; ++action) {
        items[action] = pmiSetDblClickLogOpt->addAction(
            captions[action], this, [this, action] { SetLogDblClickAction(action); });
        items[action]->setObjectName(QString::fromLatin1(names[action]));
        items[action]->setCheckable(true);
        items[action]->setData(action);
        actions->addAction(items[action]);
    }
    pmiSetLogLoadEvent = items[0];
    pmiSetLogEdit = items[1];
    pmiSetLogSend = items[2];
    popInLog->addSeparator();
    pmiLogSentMessages = popInLog->addAction(QStringLiteral("Log sent messages"));
    pmiLogSentMessages->setObjectName(QStringLiteral("pmiLogSentMessages"));
    pmiLogSentMessages->setCheckable(true);
    connect(pmiLogSentMessages, &QAction::triggered, this,
            [this](bool checked) { SetLogSentMessages(checked); });
    lbxLog->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lbxLog, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowLogPopup(at); });
    inputClock.start();
}

void TfrmMIDIExplorer::ShowLogPopup(const QPoint& at) {
    const bool selected = !lbxLog->SelectedLines().empty();
    pmiDelete->setEnabled(selected);
    pmiCopySelectedText->setEnabled(selected);
    pmiSaveSelectedSysex->setEnabled(selected);
    pmiClearinputLog->setEnabled(lbxLog->LineCount() > 0);
    popInLog->exec(lbxLog->viewport()->mapToGlobal(at));
}

void TfrmMIDIExplorer::SetLogDblClickAction(int action) {
    LogDblClickAction = action;
    if (settings != nullptr)
        settings->PutInteger(QStringLiteral("DBL_CLICK_LOG_ACTION"), action);
    (action == 0   ? pmiSetLogLoadEvent
     : action == 1 ? pmiSetLogEdit
                   : pmiSetLogSend)
        ->setChecked(true);
}

void TfrmMIDIExplorer::SetLogSentMessages(bool on) {
    LogSentMessages = on;
    if (settings != nullptr)
        settings->PutBool(QStringLiteral("LOG_SENT_MESSAGES"), on);
    pmiLogSentMessages->setChecked(on);
}

void TfrmMIDIExplorer::LogReceived(std::unique_ptr<TMyMidiEvent> event) {
    const std::uint16_t length = EventLength(*event);
    LogEvent(std::move(event));
    const QString text = QStringLiteral("Received %1 MIDI in bytes").arg(length);
    if (takingInput > 0)
        pendingStatus = text; // the batch's newest event has the last word
    else
        ShowStatus(text);
}

void TfrmMIDIExplorer::LogEvent(std::unique_ptr<TMyMidiEvent> event) {
    TLogLine line;
    line.Event = std::move(event);
    pendingLines.push_back(std::move(line));
    if (takingInput == 0)
        AppendPendingLines();
}

void TfrmMIDIExplorer::LogSent(const std::uint8_t* bytes, std::size_t count) {
    // A long message may hold several messages; each gets its line, as each goes out.
    const auto now = static_cast<std::uint32_t>(inputClock.elapsed());
    std::uint8_t runningStatus = 0;
    for (const auto& [at, length] : SplitMidiMessages(bytes, count)) {
        const std::uint8_t* piece = bytes + at;
        auto event = std::make_unique<TMyMidiEvent>();
        event->TimeStamp = now;
        if (piece[0] == 0xF0) {
            event->StatusByte = 0xF0;
            event->SysexSize = static_cast<std::uint16_t>(length);
            event->SysexData = std::make_unique<std::uint8_t[]>(length);
            std::memcpy(event->SysexData.get(), piece, length);
            runningStatus = 0;
        } else {
            std::size_t next = 0;
            if (piece[0] < 0x80 && runningStatus != 0) {
                event->StatusByte = runningStatus;
            } else {
                event->StatusByte = piece[next++];
                if (event->StatusByte >= 0x80 && event->StatusByte < 0xF0)
                    runningStatus = event->StatusByte;
                else if (event->StatusByte >= 0xF0 && event->StatusByte < 0xF8)
                    runningStatus = 0;
            }
            event->DataByte1 = next < length ? piece[next++] : 0;
            event->DataByte2 = next < length ? piece[next] : 0;
        }
        TLogLine line;
        line.Event = std::move(event);
        line.Sent = true;
        pendingLines.push_back(std::move(line));
    }
    // Sent from the input handler (a walk asking for its next preset): in order with the batch.
    if (takingInput == 0)
        AppendPendingLines();
}

void TfrmMIDIExplorer::AddLogLine(const QString& text) {
    TLogLine line;
    line.Text = text.isNull() ? QStringLiteral("") : text;
    pendingLines.push_back(std::move(line));
    AppendPendingLines();
}

void TfrmMIDIExplorer::AppendPendingLines() {
    if (pendingLines.empty())
        return;
    std::vector<TLogLine> batch;
    batch.swap(pendingLines);
    const bool received = std::any_of(batch.begin(), batch.end(), [](const TLogLine& line) {
        return line.Event != nullptr && !line.Sent;
    });
    // Every line counts against the limit, progress and error lines too, or a long backup or
    // a failing device would grow the log without end.
    appendingLines = true;
    lbxLog->Lines().Append(std::move(batch));
    lbxLog->MoveCurrentLine(lbxLog->LineCount() - 1);
    lbxLog->scrollToBottom(); // keep the newest line in view
    appendingLines = false;
    const int monitor = pgcTab->indexOf(tsMonitor);
    const QString unseen = QStringLiteral("MIDI Monitor: events received");
    // Setting the same caption again would lay out the whole tab bar.
    if (received && pgcTab->currentWidget() != tsMonitor && pgcTab->tabText(monitor) != unseen)
        pgcTab->setTabText(monitor, unseen);
}

void TfrmMIDIExplorer::FinishLogBatch() {
    AppendPendingLines();
    if (!pendingStatus.isEmpty()) {
        QString text;
        text.swap(pendingStatus);
        ShowStatus(text);
    }
}

void TfrmMIDIExplorer::DeleteLogLine(int index) {
    if (index < 0 || index >= lbxLog->LineCount())
        return;
    if (lossLine != 0 && lbxLog->Lines().Line(index).Serial == lossLine)
        lossLine = 0;
    lbxLog->Lines().Remove(index); // the line takes its event with it
}

void TfrmMIDIExplorer::ClearLog() {
    lossLine = 0;
    lbxLog->Lines().Clear();
}

const TMyMidiEvent* TfrmMIDIExplorer::SelectedEvent() const {
    const int row = lbxLog->CurrentLine();
    return row >= 0 ? lbxLog->LineEvent(row) : nullptr;
}

void TfrmMIDIExplorer::ShowLineMeaning(int row) {
    if (appendingLines || row < 0 || row >= lbxLog->LineCount())
        return;
    const QString meaning = TLogModel::Meaning(lbxLog->Lines().Line(row));
    // Shown without letting pending work run: the user is in the middle of a click.
    if (!meaning.isEmpty())
        statusPanel0->setText(meaning);
}

void TfrmMIDIExplorer::LogDoubleClick(bool onLine) {
    const TMyMidiEvent* event = onLine ? SelectedEvent() : nullptr;
    if (event == nullptr) {
        ShowStatus(LogDblClickAction == 1
                       ? QStringLiteral("The selected item cannot be edited")
                       : QStringLiteral("MIDI data is unavailable for the selected item"));
        return;
    }
    LoadEventIntoBuffer(*event);
    if (LogDblClickAction == 1)
        OpenBufferInEditor();
    else if (LogDblClickAction == 2)
        SendBuffer();
}

void TfrmMIDIExplorer::SaveSelectedSysex() {
    QByteArray bytes;
    int messages = 0;
    int skipped = 0;
    for (int row : lbxLog->SelectedLines()) {
        const TMyMidiEvent* event = lbxLog->LineEvent(row);
        if (event != nullptr && event->StatusByte == 0xF0 && event->SysexData &&
            event->SysexSize > 0) {
            bytes.append(reinterpret_cast<const char*>(event->SysexData.get()), event->SysexSize);
            ++messages;
        } else {
            ++skipped;
        }
    }
    if (messages == 0) {
        ShowStatus(QStringLiteral("No SysEx message among the selected lines: nothing saved"));
        return;
    }
    QString fileName = Dialogs().SaveFileName(this, QStringLiteral("Save selected as .syx"),
                                              FolderForWriting(CurrentFolder),
                                              QStringLiteral("SysEx files (*.syx)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".syx");
    // Written completely or not at all: a failed save leaves an existing file as it was.
    if (const QString error = WriteWholeFile(fileName, bytes); !error.isEmpty()) {
        ShowMessage(this, QStringLiteral("Cannot write ") + fileName + QStringLiteral(": ") + error,
                    QStringLiteral("Sorry..."));
        return;
    }
    QString text = (messages == 1 ? QStringLiteral("1 message saved to ")
                                  : QStringLiteral("%1 messages saved to ").arg(messages)) +
                   fileName;
    if (skipped > 0)
        text += (skipped == 1 ? QStringLiteral(", 1 line skipped")
                              : QStringLiteral(", %1 lines skipped").arg(skipped)) +
                QStringLiteral(" (not SysEx)");
    ShowStatus(text);
    RefreshFileList();
}

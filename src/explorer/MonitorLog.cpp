// The monitor log: a line per received event (the line owns it), progress lines, the
// 500-line limit on all of them, and what a double click on a line does.

#include "base/qvUtility.h"
#include "explorer/MIDIExplorer.h"
#include "midi/Monprocs.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

void TfrmMIDIExplorer::BuildMonitor() {
    tsMonitor = new QWidget(pgcTab);
    tsMonitor->setObjectName(QStringLiteral("tsMonitor"));
    auto* layout = new QVBoxLayout(tsMonitor);
    layout->setContentsMargins(0, 0, 0, 0);
    lbxLog = new QListWidget(tsMonitor);
    lbxLog->setObjectName(QStringLiteral("lbxLog"));
    lbxLog->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lbxLog->setUniformItemSizes(true);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    lbxLog->setFont(font);
    layout->addWidget(lbxLog);
    pgcTab->addTab(tsMonitor, QStringLiteral("MIDI Monitor"));
    connect(pgcTab, &QTabWidget::currentChanged, this, [this](int index) {
        if (pgcTab->widget(index) == tsMonitor)
            pgcTab->setTabText(index, QStringLiteral("MIDI Monitor"));
    });
    connect(lbxLog, &QListWidget::itemDoubleClicked, this, [this] { LogDoubleClick(); });

    popInLog = new QMenu(this);
    popInLog->setObjectName(QStringLiteral("popInLog"));
    pmiDelete = popInLog->addAction(QStringLiteral("&Delete selection"), this, [this] {
        for (int index = lbxLog->count() - 1; index >= 0; --index)
            if (lbxLog->item(index)->isSelected())
                DeleteLogLine(index);
    });
    pmiDelete->setObjectName(QStringLiteral("pmiDelete"));
    pmiClearinputLog = popInLog->addAction(QStringLiteral("&Clear input Log"), this,
                                           [this] { miClearIn->trigger(); });
    pmiClearinputLog->setObjectName(QStringLiteral("pmiClearinputLog"));
    pmiCopySelectedText = popInLog->addAction(QStringLiteral("Copy selected text"), this, [this] {
        QString text;
        for (int index = 0; index < lbxLog->count(); ++index)
            if (lbxLog->item(index)->isSelected())
                text += lbxLog->item(index)->text() + QStringLiteral("\r\n");
        QApplication::clipboard()->setText(text);
    });
    pmiCopySelectedText->setObjectName(QStringLiteral("pmiCopySelectedText"));
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
    lbxLog->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lbxLog, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowLogPopup(at); });
}

void TfrmMIDIExplorer::ShowLogPopup(const QPoint& at) {
    const bool selected = !lbxLog->selectedItems().isEmpty();
    pmiDelete->setEnabled(selected);
    pmiCopySelectedText->setEnabled(selected);
    pmiClearinputLog->setEnabled(lbxLog->count() > 0);
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

void TfrmMIDIExplorer::MidiInputArrived(TMidiInput& sender) {
    while (sender.PendingCount() > 0) {
        std::unique_ptr<TMyMidiEvent> event = sender.ReadEvent();
        if (!event)
            break;
        LogReceived(std::move(event));
    }
}

void TfrmMIDIExplorer::LogReceived(std::unique_ptr<TMyMidiEvent> event) {
    const std::uint16_t length = EventLength(*event);
    LogEvent(std::move(event));
    ShowStatus(QStringLiteral("Received %1 MIDI in bytes").arg(length));
}

void TfrmMIDIExplorer::LogEvent(std::unique_ptr<TMyMidiEvent> event) {
    const QString text = QString::fromStdString(EventToText(*event)).left(255);
    AddLogLine(text);
    static_cast<TLogLine*>(lbxLog->item(lbxLog->count() - 1))->Event = std::move(event);
    const int monitor = pgcTab->indexOf(tsMonitor);
    const QString unseen = QStringLiteral("MIDI Monitor: events received");
    // Setting the same caption again would lay out the whole tab bar for every event.
    if (pgcTab->currentWidget() != tsMonitor && pgcTab->tabText(monitor) != unseen)
        pgcTab->setTabText(monitor, unseen);
}

void TfrmMIDIExplorer::AddLogLine(const QString& text) {
    // Every line counts against the limit, progress and error lines too, or a long backup or
    // a failing device would grow the log without end.
    while (lbxLog->count() > kLogLineLimit - 1)
        DeleteLogLine(0);
    auto* line = new TLogLine(text);
    lbxLog->addItem(line);
    lbxLog->setCurrentItem(line, QItemSelectionModel::NoUpdate);
    // Keep the newest line in view.
    lbxLog->scrollToItem(line, QAbstractItemView::PositionAtBottom);
}

void TfrmMIDIExplorer::DeleteLogLine(int index) {
    QListWidgetItem* line = lbxLog->takeItem(index);
    if (line != nullptr && line == lossLine)
        lossLine = nullptr;
    delete line; // the line takes its event with it
}

const TMyMidiEvent* TfrmMIDIExplorer::SelectedEvent() const {
    const auto* line = static_cast<const TLogLine*>(lbxLog->currentItem());
    return line != nullptr ? line->Event.get() : nullptr;
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

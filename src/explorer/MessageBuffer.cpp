// The message buffer: hexadecimal text typed, pasted or loaded, the bytes it stands for,
// sending them, saving them and loading files and events into it.

#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "explorer/MIDIExplorer.h"
#include "midi/Monprocs.h"
#include "model/HexText.h"
#include "store/WholeFile.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>

TMessageEditor::TMessageEditor(TfrmMIDIExplorer& window) : QPlainTextEdit(&window), window(window) {
    setObjectName(QStringLiteral("memMsgBuf"));
    setAccessibleName(QStringLiteral("Message buffer"));
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    setFont(font);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
    setToolTip(QStringLiteral("Dbl-click to send to MIDI out"));
}

void TMessageEditor::keyPressEvent(QKeyEvent* event) {
    if (!window.EditorKey(event))
        QPlainTextEdit::keyPressEvent(event);
}

void TMessageEditor::mouseDoubleClickEvent(QMouseEvent*) {
    window.miSend->trigger();
}

void TMessageEditor::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    if (!window.InsertMode) { // overwrite mode shows the character that will be replaced
        QTextCursor cursor = textCursor();
        cursor.clearSelection();
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        setTextCursor(cursor);
    }
}

void TMessageEditor::contextMenuEvent(QContextMenuEvent* event) {
    window.MessageBufferPopupHook();
    window.popMsgBuf->exec(event->globalPos());
}

void TfrmMIDIExplorer::BuildMessageBuffer() {
    memMsgBuf = new TMessageEditor(*this);
    popMsgBuf = new QMenu(this);
    popMsgBuf->setObjectName(QStringLiteral("popMsgBuf"));
    pmiUndo = popMsgBuf->addAction(QStringLiteral("&Undo"), memMsgBuf, &QPlainTextEdit::undo);
    pmiUndo->setObjectName(QStringLiteral("pmiUndo"));
    pmiCut = popMsgBuf->addAction(QStringLiteral("Cu&t"), memMsgBuf, &QPlainTextEdit::cut);
    pmiCut->setObjectName(QStringLiteral("pmiCut"));
    pmiCopy = popMsgBuf->addAction(QStringLiteral("&Copy"), memMsgBuf, &QPlainTextEdit::copy);
    pmiCopy->setObjectName(QStringLiteral("pmiCopy"));
    pmiPaste = popMsgBuf->addAction(QStringLiteral("&Paste"), this, [this] {
        if (ClipboardHoldsHex())
            memMsgBuf->paste();
    });
    pmiPaste->setObjectName(QStringLiteral("pmiPaste"));
    pmiSelectAll = popMsgBuf->addAction(QStringLiteral("Select &All"), this, [this] {
        memMsgBuf->setFocus();
        memMsgBuf->selectAll();
    });
    pmiSelectAll->setObjectName(QStringLiteral("pmiSelectAll"));
    pmiBufClear = popMsgBuf->addAction(QStringLiteral("&Clear"), this, [this] {
        memMsgBuf->clear();
        MessageBytes.fill(0);
        MessageByteCount = 0;
    });
    pmiBufClear->setObjectName(QStringLiteral("pmiBufClear"));
    pmiSendtoMIDIOut = popMsgBuf->addAction(QStringLiteral("Send to MIDI &Out"), this,
                                            [this] { miSend->trigger(); });
    pmiSendtoMIDIOut->setObjectName(QStringLiteral("pmiSendtoMIDIOut"));
    pmiSave =
        popMsgBuf->addAction(QStringLiteral("&Save as..."), this, [this] { SaveMessageBuffer(); });
    pmiSave->setObjectName(QStringLiteral("pmiSave"));
}

void TfrmMIDIExplorer::MessageBufferPopupHook() {
    pmiUndo->setEnabled(memMsgBuf->document()->isUndoAvailable());
    const bool selection = memMsgBuf->textCursor().hasSelection();
    pmiCopy->setEnabled(selection);
    pmiCut->setEnabled(selection);
    // An empty clipboard has no data at all on some platforms.
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    pmiPaste->setEnabled(clipboard != nullptr && clipboard->hasText() && ClipboardHoldsHex());
    const bool content = !MessageBufferEmpty();
    pmiSendtoMIDIOut->setEnabled(content);
    pmiSelectAll->setEnabled(content);
    pmiSave->setEnabled(content);
    pmiBufClear->setEnabled(content);
}

bool TfrmMIDIExplorer::MessageBufferEmpty() const {
    return memMsgBuf->document()->isEmpty() || memMsgBuf->document()->firstBlock().text().isEmpty();
}

bool TfrmMIDIExplorer::ParseMessageBuffer() {
    QString text;
    for (QTextBlock block = memMsgBuf->document()->firstBlock(); block.isValid();
         block = block.next()) {
        if (block != memMsgBuf->document()->firstBlock())
            text += QLatin1Char('\n');
        text += block.text();
    }
    const THexTextResult parsed = ParseHexText(text.toStdU16String(), kMessageBufferSize);
    if (!parsed.Ok) {
        ShowMessage(this, QString::fromStdU16String(parsed.Error.Message),
                    parsed.Error.SorryCaption ? QStringLiteral("Sorry...") : GetAppTitle());
        return false;
    }
    MessageBytes.fill(0);
    std::copy(parsed.Bytes.begin(), parsed.Bytes.end(), MessageBytes.begin());
    MessageByteCount = static_cast<int>(parsed.Bytes.size());
    return true;
}

void TfrmMIDIExplorer::SendBuffer() {
    if (ParseMessageBuffer())
        SendMessageBuffer();
}

void TfrmMIDIExplorer::SendMessageBuffer() {
    if (!MidiOutAvailable(false))
        return;
    if (MessageByteCount == 0) {
        ShowStatus(QStringLiteral("Buffer is empty; nothing to send"));
        return;
    }
    try {
        ports->Output().SendLong(MessageBytes.data(), static_cast<std::uint16_t>(MessageByteCount));
    } catch (const std::exception& error) {
        ShowMessage(this, QString::fromStdString(error.what()), QStringLiteral("MIDI Out error"));
        return;
    }
    ShowStatus(QStringLiteral("Message buffer sent to MIDI Out"));
}

void TfrmMIDIExplorer::SaveMessageBuffer() {
    if (!ParseMessageBuffer())
        return;
    const QString fileName = Dialogs().SaveFileName(this, QStringLiteral("Save message buffer as"),
                                                    FolderForWriting(CurrentFolder), QString());
    if (fileName.isEmpty())
        return;
    // Written completely or not at all: a failed save leaves an existing file as it was.
    if (const QString error = WriteWholeFile(
            fileName, std::span(MessageBytes.data(), static_cast<std::size_t>(MessageByteCount)));
        !error.isEmpty()) {
        ShowMessage(this, QStringLiteral("Cannot write ") + fileName + QStringLiteral(": ") + error,
                    QStringLiteral("Sorry..."));
        return;
    }
    ShowStatus(QStringLiteral("Saved %1 bytes to ").arg(MessageByteCount) + fileName);
    RefreshFileList();
}

void TfrmMIDIExplorer::SetMessageText(const QString& text) {
    memMsgBuf->clear();
    memMsgBuf->setPlainText(text);
    if (!text.isEmpty() && memMsgBuf->document()->isEmpty())
        ShowMessage(this, QStringLiteral("File is too large for editor"),
                    QStringLiteral("Sorry..."));
    memMsgBuf->setFocus();
    QTextCursor cursor = memMsgBuf->textCursor();
    cursor.movePosition(QTextCursor::Start);
    memMsgBuf->setTextCursor(cursor);
}

void TfrmMIDIExplorer::LoadEventIntoBuffer(const TMyMidiEvent& event) {
    if (event.SysexData) {
        MessageByteCount = std::min<int>(event.SysexSize, kMessageBufferSize);
        MessageBytes.fill(0);
        std::copy_n(event.SysexData.get(), MessageByteCount, MessageBytes.begin());
    } else {
        MessageBytes.fill(0); // so a two-byte message leaves no stale third byte
        MessageByteCount = 3;
        MessageBytes[0] = event.StatusByte;
        MessageBytes[1] = event.DataByte1;
        MessageBytes[2] = event.DataByte2;
    }
    const std::uint16_t shown = std::min<std::uint16_t>(EventLength(event), kMessageBufferSize);
    SetMessageText(QString::fromStdString(BytesToHex(MessageBytes.data(), shown)));
    LoadedFileName.clear();
}

void TfrmMIDIExplorer::LoadFileIntoBuffer(const QString& fileName) {
    setWindowTitle(fileName + QStringLiteral(" - ") + BaseCaption);
    MessageBytes.fill(0);
    MessageByteCount = 0;
    // A plain file larger than the buffer fills it with its first bytes and is read no further;
    // a device, a pipe or a folder is refused by name, unread.
    const QFileInfo info(fileName);
    const qint64 size = info.isFile() ? info.size() : 0;
    TFileRead read;
    if (size > kMessageBufferSize) {
        QFile file(fileName);
        if (file.open(QIODevice::ReadOnly))
            read.Bytes = file.read(kMessageBufferSize);
        if (file.error() != QFileDevice::NoError)
            read.Error = QStringLiteral("Cannot open ") + fileName + QStringLiteral(": ") +
                         file.errorString();
    } else {
        read = ReadWholeFile(fileName, kMessageBufferSize);
        if (read.Missing)
            read.Error = QStringLiteral("Cannot open ") + fileName +
                         QStringLiteral(": there is no such file");
    }
    if (!read.Error.isEmpty()) {
        ShowMessage(this, read.Error, QStringLiteral("Sorry..."));
        return;
    }
    const QByteArray& bytes = read.Bytes;
    MessageByteCount = static_cast<int>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), MessageBytes.begin());
    if (size <= kMessageBufferSize) {
        ShowStatus(QStringLiteral("Read %1 bytes from ").arg(MessageByteCount) + fileName);
    } else {
        ShowMessage(this,
                    fileName +
                        QStringLiteral(" filesize (%1 bytes) is too big for buffer.").arg(size) +
                        QStringLiteral("\nDo not save this file or data loss will occur!"),
                    QStringLiteral("Sorry..."));
        ShowStatus(QStringLiteral("Read %1 bytes from ").arg(kMessageBufferSize) + fileName +
                   QStringLiteral(" (filesize %1 is too big for buffer)").arg(size));
    }
    SetMessageText(QString::fromStdString(
        BytesToHex(MessageBytes.data(), static_cast<std::uint16_t>(MessageByteCount))));
    LoadedFileName = fileName;
}

bool TfrmMIDIExplorer::ClipboardHoldsHex() const {
    const QString text = QGuiApplication::clipboard()->text().toUpper();
    for (const QChar c : text)
        if (c != QLatin1Char(' ') && !c.isDigit() && (c < QLatin1Char('A') || c > QLatin1Char('F')))
            return false;
    return true;
}

bool TfrmMIDIExplorer::EditorKey(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return false; // on to the next control: a tab has no place among hex bytes
    if (key == Qt::Key_Insert) {
        // Shift+Insert pastes and Ctrl+Insert copies; only Insert alone switches the mode.
        if (modifiers == Qt::ShiftModifier) {
            LoadedFileName.clear();
            if (ClipboardHoldsHex())
                memMsgBuf->paste();
            return true;
        }
        if (modifiers == Qt::ControlModifier) {
            memMsgBuf->copy();
            return true;
        }
        if (modifiers != Qt::NoModifier)
            return false;
        InsertMode = !InsertMode;
        statusPanel1->setText(InsertMode ? QStringLiteral("Insert") : QStringLiteral("Overwrite"));
        return true;
    }
    static const int kNeutral[] = {Qt::Key_Tab,      Qt::Key_Shift,  Qt::Key_Alt,   Qt::Key_PageUp,
                                   Qt::Key_PageDown, Qt::Key_Left,   Qt::Key_Right, Qt::Key_Up,
                                   Qt::Key_Down,     Qt::Key_Control};
    if (std::find(std::begin(kNeutral), std::end(kNeutral), key) == std::end(kNeutral))
        LoadedFileName.clear();
    if (event->matches(QKeySequence::Paste)) {
        if (ClipboardHoldsHex())
            memMsgBuf->paste();
        return true;
    }
    const QChar typed = TypedCharacter(*event);
    if (typed.isNull() || (modifiers & (Qt::ControlModifier | Qt::AltModifier)) != 0)
        return false; // editing keys, navigation, shortcuts: the editor's own
    if (key == Qt::Key_Backspace || typed == QLatin1Char('\b'))
        return false;
    TypeCharacter(typed);
    return true;
}

bool TfrmMIDIExplorer::TypeCharacter(QChar typed) {
    if (typed >= QLatin1Char('a') && typed <= QLatin1Char('f'))
        typed = typed.toUpper();
    QTextCursor cursor = memMsgBuf->textCursor();
    const int column = (cursor.position() + 1) % 3;
    const bool digit = typed.isDigit() || (typed >= QLatin1Char('A') && typed <= QLatin1Char('F'));
    const bool accepted = column == 0 ? typed == QLatin1Char(' ') : digit && typed.unicode() < 128;
    if (!accepted)
        return false; // discarded
    if (!InsertMode) {
        const QString all = memMsgBuf->toPlainText();
        const int at = cursor.position();
        const bool insertHere =
            column == 2 && at + 1 < all.size() && all.at(at + 1) != QLatin1Char(' ');
        if (!insertHere && at < all.size()) {
            cursor.clearSelection();
            cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        }
    }
    cursor.insertText(QString(typed));
    memMsgBuf->setTextCursor(cursor);
    return true;
}

void TfrmMIDIExplorer::DropText(const QString& text, const QPoint& at) {
    // Dropped text is typed, character by character, where it was dropped: the same rules as
    // the keyboard, so nothing that is not hexadecimal gets into the buffer this way either.
    memMsgBuf->setFocus();
    memMsgBuf->setTextCursor(memMsgBuf->cursorForPosition(at));
    LoadedFileName.clear();
    for (const QChar c : text)
        TypeCharacter(c);
}

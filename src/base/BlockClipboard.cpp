// The copied block on the system clipboard.

#include "base/BlockClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

void PutBlockOnClipboard(const TEffectBlock& block) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(BlockText(block)));
}

std::optional<TEffectBlock> BlockOnClipboard() {
    return ReadBlockText(QGuiApplication::clipboard()->text().toStdString());
}

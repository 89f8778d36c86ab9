// The application object and what it does with an error no handler caught.

#include "base/Application.h"

#include "base/Dialogs.h"
#include "base/qvUtility.h"

#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <exception>

namespace {
// The program's picture: four bass strings over a dark panel, one of them ringing.
QPixmap IconPicture(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 64.0;
    QLinearGradient panel(0, 0, 0, size);
    panel.setColorAt(0, QColor(0x24, 0x3b, 0x6b));
    panel.setColorAt(1, QColor(0x0d, 0x16, 0x2b));
    painter.setPen(Qt::NoPen);
    painter.setBrush(panel);
    painter.drawRoundedRect(QRectF(2 * unit, 2 * unit, 60 * unit, 60 * unit), 12 * unit, 12 * unit);
    for (int string = 0; string < 4; ++string) {
        const double y = (18 + string * 9.5) * unit;
        QPainterPath path(QPointF(10 * unit, y));
        if (string == 1) {
            for (int step = 1; step <= 44; ++step) {
                const double x = 10 + step;
                const double swing = 5.0 * std::sin(step / 44.0 * 3.14159) * std::sin(step * 0.9);
                path.lineTo(x * unit, y + swing * unit);
            }
        } else {
            path.lineTo(54 * unit, y);
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(string == 1 ? QColor(0xff, 0xb3, 0x2e) : QColor(0xe8, 0xec, 0xf4),
                            (2.6 - string * 0.35) * unit, Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(path);
    }
    return picture;
}
} // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(IconPicture(size));
    return icon;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setWindowIcon(ApplicationIcon());
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowMessage(activeWindow(), QString::fromStdString(error.what()), GetAppTitle(),
                    QMessageBox::Critical);
    }
    return false;
}

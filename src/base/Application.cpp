// The application object and what it does with an error no handler caught.

#include "base/Application.h"

#include "base/Dialogs.h"
#include "base/qvUtility.h"

#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
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

void ApplyAppearance(TAppearance appearance) {
    // The style the desktop gave the program before it chose one itself.
    static const QString desktopStyle = QApplication::style()->name();
    if (appearance == TAppearance::Desktop) {
        QApplication::setStyle(desktopStyle);
        // A palette that sets nothing: every colour is the desktop's, and follows it when the
        // desktop turns light or dark.
        QApplication::setPalette(QPalette());
        return;
    }
    // Fusion draws every control from the palette alone, so both looks hold on any desktop.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = QApplication::style()->standardPalette();
    if (appearance == TAppearance::Dark) {
        const QColor window(0x2b, 0x2d, 0x31);
        const QColor base(0x1e, 0x1f, 0x22);
        const QColor text(0xe6, 0xe8, 0xeb);
        const QColor muted(0x80, 0x84, 0x8a);
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Window, window);
            palette.setColor(group, QPalette::WindowText, text);
            palette.setColor(group, QPalette::Base, base);
            palette.setColor(group, QPalette::AlternateBase, window);
            palette.setColor(group, QPalette::Text, text);
            palette.setColor(group, QPalette::Button, window);
            palette.setColor(group, QPalette::ButtonText, text);
            palette.setColor(group, QPalette::ToolTipBase, base);
            palette.setColor(group, QPalette::ToolTipText, text);
            palette.setColor(group, QPalette::PlaceholderText, muted);
            palette.setColor(group, QPalette::Highlight, QColor(0x3d, 0x8b, 0xd8));
            palette.setColor(group, QPalette::HighlightedText, Qt::white);
            palette.setColor(group, QPalette::Link, QColor(0x6c, 0xb4, 0xff));
            palette.setColor(group, QPalette::BrightText, QColor(0xff, 0x6b, 0x6b));
            palette.setColor(group, QPalette::Light, QColor(0x45, 0x48, 0x4e));
            palette.setColor(group, QPalette::Midlight, QColor(0x3a, 0x3c, 0x41));
            palette.setColor(group, QPalette::Mid, QColor(0x24, 0x25, 0x28));
            palette.setColor(group, QPalette::Dark, QColor(0x18, 0x19, 0x1b));
            palette.setColor(group, QPalette::Shadow, Qt::black);
        }
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(QPalette::Disabled, role, muted);
        palette.setColor(QPalette::Disabled, QPalette::Window, window);
        palette.setColor(QPalette::Disabled, QPalette::Base, window);
        palette.setColor(QPalette::Disabled, QPalette::Button, window);
        palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x44, 0x4a, 0x55));
    }
    QApplication::setPalette(palette);
}

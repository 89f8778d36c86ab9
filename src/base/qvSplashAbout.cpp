// Splash and about window.

#include "base/qvSplashAbout.h"

#include "base/Dialogs.h"
#include "base/qvUtility.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <unistd.h>

bool MainWindowSeen = false;
const char* const kMakerName = "Tamrix Vonel Audio Software";
const char* const kMakerMail = "quellfarn@tamrix-vonel.example";
const char* const kMakerWeb = "https://tamrix-vonel.example";

namespace {
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, bool white = true) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignHCenter);
    if (white)
        label->setStyleSheet(QStringLiteral("color: white;"));
    return label;
}
} // namespace

QString PhysicalMemoryText() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    const qlonglong kilobytes =
        pages > 0 && pageSize > 0 ? static_cast<qlonglong>(pages) * pageSize / 1024 : 0;
    QLocale locale;
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    return locale.toString(kilobytes) + QStringLiteral(" KB");
}

TqvSplashAbout::TqvSplashAbout(QWidget* owner, bool aboutMode)
    : QDialog(owner), aboutMode(aboutMode) {
    setObjectName(QStringLiteral("qvSplashAbout"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(311, 334);
    QFont font(QStringLiteral("Times New Roman"));
    font.setBold(true);
    setFont(font);

    auto* layout = new QVBoxLayout(this);
    QFont italic = font;
    italic.setItalic(true);
    italic.setPointSize(16);
    lblAppTitle = MakeLabel(this, "lblAppTitle", GetAppTitle());
    lblAppTitle->setFont(italic);
    lblVersion = MakeLabel(this, "lblVersion", QStringLiteral("Version ") + AppVersion);
    imgIcon = MakeLabel(this, "imgIcon", QString());
    imgIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    DescriptionLines = AppDescription.split(QLatin1Char('\n'));
    if (!AppNotice.isEmpty())
        DescriptionLines << AppNotice;
    // Room for the description the window paints itself.
    auto* description = new QWidget(this);
    description->setMinimumHeight(20 * static_cast<int>(DescriptionLines.size()));
    lblFeedback =
        MakeLabel(this, "lblFeedback",
                  aboutMode ? QStringLiteral("Click to close") : QStringLiteral("Initializing..."));
    lblCustomDev = MakeLabel(this, "lblCustomDev", QStringLiteral("Custom software developed by:"));
    lblThatsMe = MakeLabel(this, "lblThatsMe", QString::fromLatin1(kMakerName));
    lblEMail =
        MakeLabel(this, "lblEMail", QStringLiteral("Email: ") + QString::fromLatin1(kMakerMail));
    lblURL = MakeLabel(
        this, "lblURL",
        QString::fromLatin1(kMakerWeb) +
            (AppCompanyName.isEmpty() ? QString() : QStringLiteral("/") + AppCompanyName));
    lblOSinfo = MakeLabel(this, "lblOSinfo", OsDescription());
    lblMem = MakeLabel(this, "lblMem", QStringLiteral("Memory Available to Windows:"));
    lblPhysMem = MakeLabel(this, "lblPhysMem", PhysicalMemoryText());
    lblPhysMem->setAlignment(Qt::AlignRight);
    for (QWidget* widget : {static_cast<QWidget*>(lblAppTitle), static_cast<QWidget*>(lblVersion),
                            static_cast<QWidget*>(imgIcon), description,
                            static_cast<QWidget*>(lblFeedback), static_cast<QWidget*>(lblCustomDev),
                            static_cast<QWidget*>(lblThatsMe), static_cast<QWidget*>(lblEMail),
                            static_cast<QWidget*>(lblURL), static_cast<QWidget*>(lblOSinfo),
                            static_cast<QWidget*>(lblMem), static_cast<QWidget*>(lblPhysMem)})
        layout->addWidget(widget);

    if (aboutMode) {
        QFont underlined = lblEMail->font();
        underlined.setUnderline(true);
        lblEMail->setFont(underlined);
        lblURL->setFont(underlined);
        lblEMail->setCursor(Qt::PointingHandCursor);
        lblURL->setCursor(Qt::PointingHandCursor);
        for (QObject* child : children())
            if (child->isWidgetType())
                child->installEventFilter(this);
    }
}

void TqvSplashAbout::paintEvent(QPaintEvent*) {
    static const Qt::GlobalColor kBases[] = {Qt::darkRed,  Qt::darkYellow, Qt::darkMagenta,
                                             Qt::darkCyan, Qt::blue,       Qt::magenta,
                                             Qt::red,      Qt::black,      Qt::darkBlue};
    const QColor base(kBases[QRandomGenerator::global()->bounded(9)]);
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    const int width = this->width();
    for (int i = 0; i <= width / 2; ++i) {
        const double factor = 2.0 * i / width;
        painter.setBrush(QColor(qRound(base.red() * factor), qRound(base.green() * factor),
                                qRound(base.blue() * factor)));
        painter.drawRect(width - 2 * i, 0, 3, height() + 1);
    }
    QFont font = this->font();
    font.setItalic(true);
    font.setPointSize(11);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const int spacing = qRound(1.1 * painter.fontMetrics().height());
    int y = lblAppTitle->y() + qRound(1.1 * lblAppTitle->height()) + lblVersion->height() +
            imgIcon->height();
    for (const QString& line : DescriptionLines) {
        painter.drawText(QRect(0, y, width, spacing), Qt::AlignHCenter, line);
        y += spacing;
    }
}

void TqvSplashAbout::mousePressEvent(QMouseEvent*) {
    if (aboutMode)
        accept();
}

bool TqvSplashAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress)
        return QDialog::eventFilter(watched, event);
    if (watched == lblEMail) {
        QDesktopServices::openUrl(
            QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kMakerMail)));
    } else if (watched == lblURL) {
        if (!QDesktopServices::openUrl(QUrl(lblURL->text())))
            ShowMessage(this, QStringLiteral("Couldn't launch default browser"), GetAppTitle());
    }
    accept();
    return true;
}

void TqvSplashAbout::CloseTimerTick() {
    if (MainWindowSeen) {
        CloseTimer->stop();
        close();
        return;
    }
    QWidget* main = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("frmMain"))
            main = widget;
    if (main == nullptr || !main->isVisible()) {
        MainWindowVisible.invalidate();
        return;
    }
    if (!MainWindowVisible.isValid())
        MainWindowVisible.start();
    // A window system that never makes the main window active (a plain X server without a
    // window manager does not) must not leave the splash over everything for good.
    if (main->isActiveWindow() || MainWindowVisible.hasExpired(kLongestWaitForActivation)) {
        MainWindowSeen = true;
        CloseTimer->setInterval(1000);
        QCoreApplication::processEvents();
    }
}

TqvSplashAbout* ShowSplash(QWidget* owner, bool aboutMode) {
    auto* window = new TqvSplashAbout(owner, aboutMode);
    if (aboutMode) {
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->exec();
        delete window;
        return nullptr;
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    MainWindowSeen = false;
    window->CloseTimer = new QTimer(window);
    window->CloseTimer->setInterval(500);
    QObject::connect(window->CloseTimer, &QTimer::timeout, window,
                     [window] { window->CloseTimerTick(); });
    window->CloseTimer->start();
    window->show();
    return window;
}

#include "app/HelpPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

CHelpPage::CHelpPage(std::function<void(const QString& text)> noViewer, QObject* parent)
    : QObject(parent), m_noViewer(std::move(noViewer)) {}

CHelpPage::~CHelpPage() {
    for (QProcess* opener : findChildren<QProcess*>()) {
        opener->disconnect(this);
        opener->kill();
        opener->waitForFinished();
        delete opener;
    }
}

QString CHelpPage::FilePath(const QString& folder) {
    return folder.endsWith('/') ? folder + QStringLiteral("help.html")
                                : folder + QStringLiteral("/help.html");
}

void CHelpPage::Open() {
    const QString folder = QCoreApplication::applicationDirPath();
    const QString beside = FilePath(folder);
    const QString guide =
        QFileInfo::exists(beside)
            ? beside
            : QDir::cleanPath(FilePath(folder + QStringLiteral("/../share/vavirir")));
    // The desktop's opener fails at once when nothing can show the page; when
    // something can, it may wait for the viewer, which is left alone.
    auto* opener = new QProcess(this);
    opener->setObjectName(QStringLiteral("helpOpener"));
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    const QString noViewer = tr("No program to show web pages was found, so the user guide "
                                "cannot be shown. Open it in a web browser: %1")
                                 .arg(guide);
    connect(opener, &QProcess::errorOccurred, this,
            [this, opener, noViewer](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart) {
                    opener->deleteLater();
                    m_noViewer(noViewer);
                }
            });
    connect(opener, &QProcess::finished, this,
            [this, opener, noViewer](int exitCode, QProcess::ExitStatus status) {
                opener->deleteLater();
                if (status != QProcess::NormalExit || exitCode != 0) {
                    m_noViewer(noViewer);
                }
            });
    opener->start(QStringLiteral("xdg-open"), {guide});
}

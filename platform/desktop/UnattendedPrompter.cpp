#include "UnattendedPrompter.h"

#include <QDialog>
#include <QGuiApplication>
#include <cstdio>

namespace {

class SilentProgress : public Progress {
public:
    bool advance(qint64) override { return true; }
    void setCancellable(bool) override {}
};

}  // namespace

bool UnattendedPrompter::isUnattended() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

Prompter::Answer UnattendedPrompter::showMessage(QWidget*, const QString& text,
                                                 const QString& caption, Buttons buttons, Icon) {
    std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(),
                 text.toLocal8Bit().constData());
    std::fflush(stderr);
    // Nobody answers: nothing is lost, nothing changes.
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::YesNoCancel:
            break;
    }
    return Answer::Cancel;
}

QString UnattendedPrompter::openFileName(QWidget*, const QString&, const QString&, const QString&) {
    return {};
}

QString UnattendedPrompter::saveFileName(QWidget*, const QString&, const QString&,
                                         const QStringList&, int*) {
    return {};
}

int UnattendedPrompter::runModal(QDialog&) {
    return QDialog::Rejected;
}

bool UnattendedPrompter::previewAndPrint(QPrinter&, QWidget*, const std::function<void(QPrinter&)>&,
                                         bool) {
    return false;
}

std::unique_ptr<Progress> UnattendedPrompter::progress(QWidget*, const QString&, const QString&,
                                                       qint64) {
    return std::make_unique<SilentProgress>();
}

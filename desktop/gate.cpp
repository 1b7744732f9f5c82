#include "desktop/gate.h"

#include <QApplication>
#include <QWidget>

namespace vx470::desktop {

Gate::Gate(Program& program, QObject* parent) : QObject(parent), program_(program) {
    poll_.setInterval(kPollIntervalMs);
    connect(&poll_, &QTimer::timeout, this,
            [this] { tick([this] { program_.reports.PollDeviceReports(); }); });
}

void Gate::afterEntry() {
    if (depth_ != 0) return;
    // No timer runs for reports unless a search is on: idle costs nothing.
    if (program_.SearchActive && !poll_.isActive()) poll_.start();
    if (!program_.SearchActive && poll_.isActive()) poll_.stop();
    emit returned();
}

void Gate::endNow(int exitCode) {
    if (ended_) return;
    ended_ = true;
    exitCode_ = exitCode;
    poll_.stop();
    program_.platform.port.close();
    emit programEnded(exitCode);
    // Windows see ended() in their close handlers and close without asking.
    for (QWidget* w : QApplication::topLevelWidgets()) w->close();
    QCoreApplication::exit(exitCode);
}

}  // namespace vx470::desktop

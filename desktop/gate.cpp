#include "desktop/gate.h"

#include <QApplication>
#include <QInputEvent>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>
#include <deque>
#include <optional>

namespace vx470::desktop {

// Knows when the program was not taking input, when each input event was made, and which
// widget holds a mouse button down. Window systems stamp their input with a millisecond clock
// of their own; its offset to ours is learnt from the promptest events seen.
class Gate::InputWatch final : public QObject {
  public:
    explicit InputWatch(QObject* parent) : QObject(parent) { clock_.start(); }

    // From an event loop into program code, or back.
    void stopTaking() { since_ = now(); }
    void startTaking() {
        if (since_ && now() - *since_ >= kShortestWaitMs) {
            busy_.push_back({*since_, now()});
            if (busy_.size() > kRemembered) busy_.pop_front();
        }
        since_.reset();
    }

    // Lets go of the mouse button a widget holds: a release outside it ends an arrow's
    // repeat or a thumb drag, and clicks nothing.
    void letGo() {
        const QPointer<QWidget> w = pressed_;
        if (w && w->property(kTakesInputWhenBusy).toBool()) return;
        pressed_.clear();
        if (!w) return;
        const QPointF outside(-1, -1);
        QMouseEvent release(QEvent::MouseButtonRelease, outside, outside, w->mapToGlobal(outside),
                            button_, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.data(), &release);
    }

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonRelease) {
            if (receiver == pressed_) pressed_.clear();
            return false;
        }
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
            type != QEvent::KeyPress && type != QEvent::Wheel) {
            return false;
        }
        if (stale(static_cast<const QInputEvent*>(event)->timestamp()) &&
            !takesInputWhenBusy(receiver, event)) {
            return true;
        }
        if (type == QEvent::MouseButtonPress && receiver->isWidgetType()) {
            // A press a child ignores goes on to its parent: the last one holds the button.
            pressed_ = static_cast<QWidget*>(receiver);
            button_ = static_cast<const QMouseEvent*>(event)->button();
        }
        return false;
    }

  private:
    // A press reaches the window before the widget under the pointer.
    static bool takesInputWhenBusy(QObject* receiver, QEvent* event) {
        QObject* target = receiver;
        if (!receiver->isWidgetType() && (event->type() == QEvent::MouseButtonPress ||
                                          event->type() == QEvent::MouseButtonDblClick)) {
            target = QApplication::widgetAt(
                static_cast<const QMouseEvent*>(event)->globalPosition().toPoint());
        }
        return target != nullptr && target->property(kTakesInputWhenBusy).toBool();
    }

    static constexpr qint64 kShortestWaitMs = 2;
    static constexpr std::size_t kRemembered = 16;
    // No input is held back for longer; an older stamp means the window system's clock
    // started again.
    static constexpr qint64 kRelearnMs = 10 * 60 * 1000;

    qint64 now() const { return clock_.elapsed(); }

    bool stale(quint64 stamp) {
        if (stamp == 0) return false;  // made by the program or a test, not the window system
        const qint64 t = now();
        const qint64 difference = static_cast<qint64>(stamp) - t;
        if (!offset_ || difference > *offset_ || difference - *offset_ < -kRelearnMs) {
            offset_ = difference;
        }
        const qint64 made = static_cast<qint64>(stamp) - *offset_;
        return std::any_of(busy_.begin(), busy_.end(), [made](const auto& span) {
            return made >= span.first && made <= span.second;
        });
    }

    QElapsedTimer clock_;
    std::optional<qint64> offset_;
    std::optional<qint64> since_;
    std::deque<std::pair<qint64, qint64>> busy_;
    QPointer<QWidget> pressed_;
    Qt::MouseButton button_ = Qt::LeftButton;
};

Gate::Gate(Program& program, QObject* parent) : QObject(parent), program_(program) {
    poll_.setInterval(kPollIntervalMs);
    connect(&poll_, &QTimer::timeout, this,
            [this] { tick([this] { program_.reports.PollDeviceReports(); }); });
    program_.link.OnWait = [this] { emit waiting(); };
}

Gate::~Gate() {
    program_.link.OnWait = nullptr;
}

void Gate::watchInput(QCoreApplication& app) {
    if (watch_ != nullptr) return;
    watch_ = new InputWatch(this);
    app.installEventFilter(watch_);
}

bool Gate::admits(const QObject* source) const {
    if (ended_) return false;
    if (depth_ == 0) return true;
    if (modals_.empty()) return false;
    const Level& top = modals_.back();
    if (!top.window || top.depth != depth_) return false;
    for (const QObject* o = source; o != nullptr; o = o->parent()) {
        if (o == top.window) return true;
    }
    return false;
}

void Gate::started() {
    if (watch_ != nullptr) watch_->stopTaking();
}

void Gate::afterEntry(qint64 tookMs) {
    if (watch_ != nullptr) {
        watch_->startTaking();
        if (tookMs >= kLongEntryMs) watch_->letGo();
    }
    if (depth_ != 0) return;
    // No timer runs for reports unless a search is on: idle costs nothing.
    if (program_.SearchActive && !poll_.isActive()) poll_.start();
    if (!program_.SearchActive && poll_.isActive()) poll_.stop();
    emit returned();
}

Gate::Modal::Modal(Gate& gate, QWidget* window) : gate_(gate) {
    gate.modals_.push_back({window, gate.depth_});
    if (gate.watch_ != nullptr) {
        gate.watch_->startTaking();
        gate.watch_->letGo();
    }
}

Gate::Modal::~Modal() {
    gate_.modals_.pop_back();
    if (gate_.watch_ != nullptr) gate_.watch_->stopTaking();
}

void Gate::endNow(int exitCode) {
    if (ended_) return;
    ended_ = true;
    exitCode_ = exitCode;
    poll_.stop();
    if (watch_ != nullptr) watch_->letGo();
    program_.platform.port.close();
    emit programEnded(exitCode);
    // Windows see ended() in their close handlers and close without asking.
    for (QWidget* w : QApplication::topLevelWidgets()) w->close();
    QCoreApplication::exit(exitCode);
}

}  // namespace vx470::desktop

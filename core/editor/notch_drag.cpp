#include "core/editor/notch_drag.h"

#include <algorithm>
#include <cmath>

#include "core/graph/scale.h"
#include "core/program.h"

namespace vx470 {

namespace {

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

}  // namespace

std::vector<NotchDrag::Handle> NotchDrag::Handles(int ch) const {
    std::vector<Handle> handles;
    if (ch < 0 || ch >= kChannels || !program_.frmEq.Frame3[at(ch)].EffectiveEnabled()) {
        return handles;
    }
    const ChannelModel& model = program_.channels.model;
    const double perDecade = program_.graph.PixelsPerDecade;
    for (int k = std::max<int>(model.NumNotchAuto[at(ch)], 0); k < kNotchesPerChannel; ++k) {
        const int n = ch * kNotchesPerChannel + k;
        const double f = model.NotchFrequency[at(n)];
        if (!(f > 0)) continue;
        handles.push_back({n, Log10(f / 20.0) * perDecade, DbRow(model.NotchGainDb[at(n)])});
    }
    return handles;
}

std::optional<NotchDrag::Handle> NotchDrag::handleUnder(int ch, double x, double y) const {
    std::optional<Handle> nearest;
    double best = kHandleReach * kHandleReach;
    for (const Handle& h : Handles(ch)) {
        const double d = (h.x - x) * (h.x - x) + (h.y - y) * (h.y - y);
        // Handles on top of each other: the last notch is drawn last, so it is the one seen.
        if (d <= best) {
            best = d;
            nearest = h;
        }
    }
    return nearest;
}

std::optional<int> NotchDrag::HandleAt(int ch, double x, double y) const {
    const std::optional<Handle> h = handleUnder(ch, x, y);
    return h ? std::optional<int>(h->notch) : std::nullopt;
}

bool NotchDrag::Press(int ch, double x, double y) {
    if (Dragging()) Release(x, y);
    const std::optional<Handle> h = handleUnder(ch, x, y);
    if (!h) return false;
    offsetX_ = x - h->x;
    offsetY_ = y - h->y;
    notch_ = h->notch;
    step_.emplace(program_.history, "Move " + NotchName(notch_));
    return true;
}

void NotchDrag::Move(double x, double y) {
    if (!Dragging() || !program_.frmEq.HScroll6[at(notch_)].EffectiveEnabled()) return;
    // Off the graph the notch stays at the nearest end of its range.
    const double column = x - offsetX_, row = y - offsetY_;
    const double f = 20.0 * std::pow(10.0, column / program_.graph.PixelsPerDecade);
    const int index = FrequencyToIndex(std::clamp(f, FrequencyGrid.front(), FrequencyGrid.back()));
    const double db = std::clamp((kZeroDbRow - row) / kRowsPerDb, -45.0, 0.0);
    program_.frmEq.MoveNotch(notch_, index, GainToIndex(db));
}

void NotchDrag::Release(double x, double y) {
    Move(x, y);
    notch_ = -1;
    step_.reset();
}

bool NotchDrag::Wheel(int ch, double x, double y, int steps) {
    const std::optional<int> n = HandleAt(ch, x, y);
    if (!n) return false;
    program_.frmEq.HScroll30[at(*n)].UserStep(steps);
    return true;
}

std::string NotchDrag::Sending() const {
    if (!Dragging()) return {};
    const FrmEq& eq = program_.frmEq;
    const std::size_t i = at(notch_);
    return NotchName(notch_) + ": " + eq.Text2[i].Text() + " Hz, " + eq.Text1[i].Text() +
           " dB, Q " + eq.Text3[i].Text();
}

}  // namespace vx470

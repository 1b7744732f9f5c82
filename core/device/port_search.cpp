#include "core/device/port_search.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace vx470 {

namespace {

// How long a wait on one port may hold up noticing another's reply.
constexpr Clock::Duration kSlice = std::chrono::milliseconds(5);

// Opens port `number` on `link` for 10-byte replies and sends the probe; false when there is
// nothing to wait for.
bool start(Link& link, int number, PortAnswer& answer) {
    link.CommPortNumber = static_cast<std::int16_t>(number);
    link.OpenCommPort();
    answer = PortAnswer::CannotOpen;
    if (!link.DeviceFound) return false;
    link.ReopenWithBufferSize(kReplySize);
    answer = PortAnswer::Silent;
    return link.StartProbe(Frames::Probe());
}

int inTurn(Link& link, std::span<const int> candidates, std::vector<PortAnswer>& answers,
           bool everyPort) {
    int winner = -1;
    for (std::size_t i = 0; i < candidates.size() && (everyPort || winner < 0); ++i) {
        if (!start(link, candidates[i], answers[i]) || !link.FinishProbe()) continue;
        answers[i] = PortAnswer::Unit;
        if (winner < 0) winner = static_cast<int>(i);
    }
    return winner;
}

struct Probe {
    std::unique_ptr<SerialPort> own;  // none for the first candidate: the link's own port
    std::optional<Link> link;
    bool waiting = false;
};

int atOnce(Link& link, std::span<const int> candidates, std::vector<PortAnswer>& answers,
           bool everyPort, Clock::Duration grace) {
    const std::size_t n = candidates.size();
    Clock& clock = link.clock();
    std::vector<Probe> probes(n);
    const auto linkOf = [&](std::size_t i) -> Link& { return i == 0 ? link : *probes[i].link; };
    const Clock::Duration began = clock.now();
    probes[0].waiting = start(link, candidates[0], answers[0]);
    bool othersStarted = n == 1;
    std::size_t turn = 0;
    for (;;) {
        for (std::size_t i = 0; i < n; ++i) {
            Probe& p = probes[i];
            if (!p.waiting) continue;
            const Link::ProbeState state = linkOf(i).PollProbe();
            if (state == Link::ProbeState::Waiting) continue;
            p.waiting = false;
            if (state == Link::ProbeState::Answered) answers[i] = PortAnswer::Unit;
        }
        if (!othersStarted && (!probes[0].waiting || clock.now() - began >= grace) &&
            (everyPort || answers[0] != PortAnswer::Unit)) {
            othersStarted = true;
            for (std::size_t i = 1; i < n; ++i) {
                Probe& p = probes[i];
                p.own = link.port().another();
                if (!p.own) continue;  // stays NotTried
                p.link.emplace(*p.own, clock, link.dialogs());
                p.link->setObserver(link.observer());  // a log shows every port's probe
                p.waiting = start(*p.link, candidates[i], answers[i]);
            }
            continue;
        }
        // The first candidate that answered wins once every one before it is known not to.
        int winner = -1;
        for (std::size_t i = 0; i < n; ++i) {
            if (probes[i].waiting || (i > 0 && !othersStarted)) break;
            if (answers[i] == PortAnswer::Unit) {
                winner = static_cast<int>(i);
                break;
            }
        }
        const bool anyWaiting =
            std::any_of(probes.begin(), probes.end(), [](const Probe& p) { return p.waiting; });
        if ((winner >= 0 && !everyPort) || (othersStarted && !anyWaiting)) {
            for (Probe& p : probes) {
                if (p.own) p.own->close();
            }
            return winner;
        }
        if (!anyWaiting) {
            // Only the grace is left to wait for, and the first port has had its answer.
            continue;
        }
        // One port's wait at a time, in turn, short enough to hear the others soon.
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = (turn + k) % n;
            if (!probes[i].waiting) continue;
            turn = i + 1;
            Clock::Duration wait = std::min(linkOf(i).ProbeTimeLeft(), kSlice);
            if (!othersStarted) {
                wait = std::min(wait, std::max(Clock::Duration(1), grace - (clock.now() - began)));
            }
            linkOf(i).port().waitForInput(clock.realTime(wait));
            break;
        }
    }
}

}  // namespace

int SearchPorts(Link& link, std::span<const int> candidates, std::vector<PortAnswer>* answers,
                bool everyPort, Clock::Duration grace) {
    std::vector<PortAnswer> result(candidates.size(), PortAnswer::NotTried);
    int winner = -1;
    if (!candidates.empty()) {
        const bool together = candidates.size() > 1 && link.port().another() != nullptr;
        winner = together ? atOnce(link, candidates, result, everyPort, grace)
                          : inTurn(link, candidates, result, everyPort);
    }
    if (answers != nullptr) *answers = result;
    // The unit's port ends up on the link's own, which holds no other.
    if (winner < 0) {
        link.port().close();
        link.PortOpened = link.DeviceFound = false;
        return -1;
    }
    const int number = candidates[static_cast<std::size_t>(winner)];
    if (link.CommPortNumber != number || !link.port().isOpen()) {
        link.CommPortNumber = static_cast<std::int16_t>(number);
        link.OpenCommPort();
        link.ReopenWithBufferSize(kReplySize);
    }
    return winner;
}

}  // namespace vx470

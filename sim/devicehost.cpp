#include "sim/devicehost.h"

#include <algorithm>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
uint64_t wallClockMicros() {
    using namespace std::chrono;
    return uint64_t(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count());
}
} // namespace

void StreamClock::start(int rate, Clock::time_point now) {
    reportsPerSecond = std::max(rate, 0);
    base = now;
    taken = 0;
}

uint64_t StreamClock::takeDue(Clock::time_point now) {
    if (reportsPerSecond <= 0 || now <= base)
        return 0;
    auto elapsed =
        uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(now - base).count());
    uint64_t total = elapsed / 1000 * uint64_t(reportsPerSecond) / 1000000;
    if (total <= taken)
        return 0;
    uint64_t due = total - taken;
    uint64_t backlogLimit = std::max(1, reportsPerSecond / 10);
    if (due > backlogLimit)
        due = 1;
    taken = total;
    return due;
}

StreamClock::Clock::time_point StreamClock::nextDue() const {
    if (reportsPerSecond <= 0)
        return Clock::time_point::max();
    auto offset =
        std::chrono::nanoseconds((taken + 1) * 1000000000ull / uint64_t(reportsPerSecond));
    return base + std::chrono::duration_cast<Clock::duration>(offset);
}

DeviceHost::DeviceHost(std::unique_ptr<DeviceModel> deviceModel)
    : model(std::move(deviceModel)) {
    stream.start(model->defaultJoystickRate(), Clock::now());
    wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

DeviceHost::~DeviceHost() {
    ::close(wakeFd);
}

bool DeviceHost::plug() {
    if (loop.joinable())
        return plugged; // plugged already (or off the bus after a failed restart)
    if (!appear())
        return false;
    stopping = false;
    loop = std::thread([this] { runLoop(); });
    return true;
}

void DeviceHost::unplug() {
    if (!loop.joinable())
        return;
    stopping = true;
    wake();
    loop.join();
    disappear();
}

void DeviceHost::wake() {
    uint64_t one = 1;
    ssize_t ignored = ::write(wakeFd, &one, sizeof one);
    (void)ignored; // a full counter already wakes the loop
}

void DeviceHost::drainWake() {
    uint64_t count;
    ssize_t ignored = ::read(wakeFd, &count, sizeof count);
    (void)ignored;
}

int DeviceHost::loopTimeoutMs() const {
    Clock::time_point next = nextDueTime();
    if (next == Clock::time_point::max())
        return -1;
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
    return int(std::max<int64_t>(1, std::min<int64_t>(wait.count() + 1, 100)));
}

bool DeviceHost::waitForConnection(int timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return connected; });
}

std::string DeviceHost::name() const {
    std::lock_guard<std::mutex> lock(mutex);
    return busBaseName + model->busNameSuffix();
}

void DeviceHost::setBaseName(std::string name) {
    std::lock_guard<std::mutex> lock(mutex);
    busBaseName = std::move(name);
}

VirtualDeviceIdentity DeviceHost::currentIdentity() const {
    std::lock_guard<std::mutex> lock(mutex);
    return model->identity();
}

void DeviceHost::injectReport(const std::vector<uint8_t>& report) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!connected)
            return;
        queue.push_back(report);
    }
    wake();
}

void DeviceHost::holdBackAnswers(int n) {
    std::lock_guard<std::mutex> lock(mutex);
    answersToHoldBack = n;
}

void DeviceHost::scriptAnswers(uint8_t command, std::vector<AnswerFate> fates) {
    std::lock_guard<std::mutex> lock(mutex);
    scriptedFates[command].assign(fates.begin(), fates.end());
}

void DeviceHost::setAnswerDelay(int ms) {
    std::lock_guard<std::mutex> lock(mutex);
    answerDelayMs = ms;
}

AnswerFate DeviceHost::takeFate(const uint8_t* request, size_t length) {
    if (length > 1) {
        auto script = scriptedFates.find(request[1]);
        if (script != scriptedFates.end() && !script->second.empty()) {
            AnswerFate fate = script->second.front();
            script->second.pop_front();
            return fate;
        }
    }
    return answerDelayMs > 0 ? AnswerFate{AnswerFate::Late, answerDelayMs} : AnswerFate{};
}

void DeviceHost::queueLateAnswersDue(Clock::time_point now) {
    auto due = [now](const LateAnswer& late) {
        return late.due <= now;
    };
    for (LateAnswer& late : lateAnswers) {
        if (due(late))
            queue.push_back(std::move(late.report));
    }
    lateAnswers.erase(std::remove_if(lateAnswers.begin(), lateAnswers.end(), due),
                      lateAnswers.end());
}

std::vector<ReceivedReport> DeviceHost::receivedReports() const {
    std::lock_guard<std::mutex> lock(mutex);
    return received;
}

void DeviceHost::clearReceivedReports() {
    std::lock_guard<std::mutex> lock(mutex);
    received.clear();
}

size_t DeviceHost::waitForReceived(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                     [&] { return received.size() >= count; });
    return received.size();
}

void DeviceHost::setJoystickRate(int reportsPerSecond) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stream.start(reportsPerSecond, Clock::now());
    }
    wake();
}

int DeviceHost::joystickRate() const {
    std::lock_guard<std::mutex> lock(mutex);
    return stream.rate();
}

DeviceHost::StreamStats DeviceHost::streamStats() const {
    std::lock_guard<std::mutex> lock(mutex);
    return stats;
}

uint64_t DeviceHost::waitForStreamed(uint64_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                     [&] { return stats.sent >= count; });
    return stats.sent;
}

void DeviceHost::connectionOpened() {
    std::lock_guard<std::mutex> lock(mutex);
    connected = true;
    queue.clear();
    lateAnswers.clear();
    stream.start(stream.rate(), Clock::now());
    changed.notify_all();
}

void DeviceHost::connectionClosed() {
    std::lock_guard<std::mutex> lock(mutex);
    connected = false;
    queue.clear();
    lateAnswers.clear();
    changed.notify_all();
}

bool DeviceHost::receive(const uint8_t* data, size_t length) {
    std::lock_guard<std::mutex> lock(mutex);
    received.push_back(
        ReceivedReport{std::vector<uint8_t>(data, data + length), wallClockMicros()});
    changed.notify_all();
    const AnswerFate fate = takeFate(data, length);
    model->handleOutputReport(data, length, [&](const std::vector<uint8_t>& answer) {
        if (answersToHoldBack > 0) {
            --answersToHoldBack;
            return;
        }
        switch (fate.kind) {
        case AnswerFate::Prompt:
            queue.push_back(answer);
            return;
        case AnswerFate::Late:
            lateAnswers.push_back(
                LateAnswer{Clock::now() + std::chrono::milliseconds(fate.delayMs), answer});
            return;
        case AnswerFate::Lost:
            return;
        }
    });
    flushQueue();
    return model->restartRequested();
}

void DeviceHost::restartModel() {
    std::lock_guard<std::mutex> lock(mutex);
    model = DeviceModel::restart(std::move(model));
    queue.clear();
    lateAnswers.clear();
    stream.start(model->defaultJoystickRate(), Clock::now());
}

void DeviceHost::sendDue(Clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!connected)
        return;
    const uint64_t sentBefore = stats.sent;
    for (uint64_t due = stream.takeDue(now); due > 0; --due) {
        model->streamReport(nextSequence++, [&](const std::vector<uint8_t>& report) {
            if (report.empty() || report[0] != 0x01) {
                // Unsolicited answers are not lost; they go out at once when the connection takes
                // them, so the joystick reports after them in this batch are not held up.
                queue.push_back(report);
                flushQueue();
                return;
            }
            // A joystick report that cannot go out at once is overwritten by the next one, as
            // on a HID interrupt endpoint that the host does not poll.
            if (queue.empty() && transmit(report.data(), report.size()) == SendResult::Sent)
                ++stats.sent;
            else
                ++stats.dropped;
        });
    }
    if (stats.sent != sentBefore)
        changed.notify_all();
    queueLateAnswersDue(now);
    flushQueue();
}

bool DeviceHost::hasQueuedReports() const {
    std::lock_guard<std::mutex> lock(mutex);
    return !queue.empty();
}

DeviceHost::Clock::time_point DeviceHost::nextDueTime() const {
    std::lock_guard<std::mutex> lock(mutex);
    if (!connected)
        return Clock::time_point::max();
    Clock::time_point next = stream.nextDue();
    for (const LateAnswer& late : lateAnswers)
        next = std::min(next, late.due);
    return next;
}

void DeviceHost::flushQueue() {
    while (connected && !queue.empty()) {
        SendResult result = transmit(queue.front().data(), queue.front().size());
        if (result == SendResult::WouldBlock)
            return;
        queue.pop_front(); // sent, or refused for good (the connection is going away)
    }
}

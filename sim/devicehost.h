#pragma once
// What every host of a virtual device does, whatever carries its reports (the virtual bus, or
// UHID kernel devices): it owns the model and serialises the calls into it, records what the
// tool wrote, queues the answers, times the live reports and offers the knobs tests script the
// device with. A transport derives from it and runs the loop that moves the reports; the
// protected part below is that loop's interface. Everything public is thread-safe.

#include "sim/devicemodel.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One report the tool wrote, with the time it arrived (wall-clock microseconds since 1970).
struct ReceivedReport {
    std::vector<uint8_t> data;
    uint64_t timeMicros = 0;
};

// What becomes of the answers to one request of the tool: sent at once, sent late, or lost on
// the way. A late answer past the tool's resend makes the device answer both the request and
// its resend, as a slow device does.
struct AnswerFate {
    enum Kind { Prompt, Late, Lost };
    Kind kind = Prompt;
    int delayMs = 0; // Late only
};

// Paces a stream of reports by elapsed time: a late loop sends the reports it owes in one
// batch instead of sleeping per report, so high rates stay accurate.
class StreamClock {
public:
    using Clock = std::chrono::steady_clock;

    void start(int reportsPerSecond, Clock::time_point now);
    int rate() const { return reportsPerSecond; }
    // Reports due by `now` that were not taken yet. A backlog of more than 100 ms (a stalled
    // loop) is skipped rather than burst out: those reports were never produced.
    uint64_t takeDue(Clock::time_point now);
    Clock::time_point nextDue() const;

private:
    int reportsPerSecond = 0;
    Clock::time_point base;
    uint64_t taken = 0;
};

class DeviceHost {
public:
    explicit DeviceHost(std::unique_ptr<DeviceModel> model);
    virtual ~DeviceHost();
    DeviceHost(const DeviceHost&) = delete;
    DeviceHost& operator=(const DeviceHost&) = delete;

    // Appear on the bus and start the loop / stop it and leave the bus (an unplugged device can
    // be plugged in again).
    bool plug();
    void unplug();
    bool isPlugged() const { return plugged; }
    // Whether the tool holds the device open now.
    virtual bool isConnected() const = 0;
    // Waits until the tool has the device open; false after the time-out.
    bool waitForConnection(int timeoutMs) const;
    // The name the device has on the bus now (it changes while in its bootloader).
    std::string name() const;

    // Sends one input report of any length to the tool (dropped when it has no connection).
    void injectReport(const std::vector<uint8_t>& report);
    // The next n answers the model gives are dropped, as if lost on the way.
    void holdBackAnswers(int n);
    // The answers to the next requests with this command meet these fates, one request each,
    // in order (a resend is a request too); later requests are answered as usual.
    void scriptAnswers(uint8_t command, std::vector<AnswerFate> fates);
    // Every answer not scripted otherwise goes out this much after its request (0: at once).
    void setAnswerDelay(int ms);

    // Every report the tool wrote since the last clear, in order.
    std::vector<ReceivedReport> receivedReports() const;
    void clearReceivedReports();
    // Waits until at least `count` reports have been received (since the last clear) or the
    // time-out passes; returns the number received.
    size_t waitForReceived(size_t count, int timeoutMs) const;

    // Live input: joystick reports per second (0 stops the stream). A restart sets the new
    // model's default rate.
    void setJoystickRate(int reportsPerSecond);
    int joystickRate() const;
    struct StreamStats {
        uint64_t sent = 0;    // joystick reports handed to the transport
        uint64_t dropped = 0; // numbered but not sent: the tool did not keep up
    };
    StreamStats streamStats() const;
    // Waits until `count` joystick reports in all have been handed to the transport, or the
    // time-out passes; returns the number sent.
    uint64_t waitForStreamed(uint64_t count, int timeoutMs) const;

    // Runs f on the model while the host leaves it alone, and returns f's result. Model names
    // the model's class (a dynamic_cast; after a restart into the bootloader the model is a
    // BootloaderModel).
    template <class Model = DeviceModel, class F> auto withModel(F&& f) {
        std::lock_guard<std::mutex> lock(mutex);
        return f(dynamic_cast<Model&>(*model));
    }

protected:
    using Clock = StreamClock::Clock;

    // Transport-specific halves, called by the helpers below.
    enum class SendResult { Sent, WouldBlock, Failed };
    virtual SendResult transmit(const uint8_t* data, size_t length) = 0; // loop thread only
    // Opens the transport's end and sets `plugged`; false when that fails.
    virtual bool appear() = 0;
    // Closes it again and clears `plugged`.
    virtual void disappear() = 0;
    // The loop: moves reports until stopRequested(), waiting on wakeDescriptor() among others.
    virtual void runLoop() = 0;
    // A transport's destructor calls unplug() itself: the loop runs the transport's code.

    // Tells the loop that there is something to do.
    void wake();
    int wakeDescriptor() const { return wakeFd; }
    // Clears the wake-up once the loop has seen it.
    void drainWake();
    bool stopRequested() const { return stopping; }
    // How long the loop may wait for other events before the next joystick report is due: at
    // least 1 ms between wake-ups, so high rates go out in batches; -1 without a stream.
    int loopTimeoutMs() const;

    // The loop's helpers. Call them from the loop thread only.
    // A new connection: anything queued for the previous one is forgotten, the stream restarts.
    void connectionOpened();
    void connectionClosed();
    // One report from the tool; true when the model asked to restart (see restartModel).
    bool receive(const uint8_t* data, size_t length);
    // Replaces the model by its successor; the transport leaves the bus first and comes back
    // with the new identity() and name() afterwards.
    void restartModel();
    // Sends the joystick reports due by `now`, then as much of the answer queue as the
    // transport takes.
    void sendDue(Clock::time_point now);
    bool hasQueuedReports() const;
    // When the next joystick report or late answer is due; Clock::time_point::max() for never.
    Clock::time_point nextDueTime() const;
    VirtualDeviceIdentity currentIdentity() const;
    const std::string baseName() const { return busBaseName; }
    void setBaseName(std::string name);

    mutable std::mutex mutex;
    mutable std::condition_variable changed; // a report arrived, or the connection changed
    bool connected = false;                  // guarded by mutex
    std::atomic<bool> plugged{false};

private:
    struct LateAnswer {
        Clock::time_point due;
        std::vector<uint8_t> report;
    };
    void flushQueue();
    AnswerFate takeFate(const uint8_t* request, size_t length);
    void queueLateAnswersDue(Clock::time_point now);

    std::thread loop;
    std::atomic<bool> stopping{false};
    int wakeFd = -1;

    std::unique_ptr<DeviceModel> model;
    std::string busBaseName;
    std::deque<std::vector<uint8_t>> queue; // answers and injected reports, in order
    std::vector<ReceivedReport> received;
    int answersToHoldBack = 0;
    std::map<uint8_t, std::deque<AnswerFate>> scriptedFates;
    int answerDelayMs = 0;
    std::vector<LateAnswer> lateAnswers; // in the order they were given
    StreamClock stream;
    uint32_t nextSequence = 0;
    StreamStats stats;
};

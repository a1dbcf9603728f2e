#pragma once
// A HID device that exists only in memory: it records every write with its time and fails the
// writes a test asks it to fail, for tests of the request discipline that need to see what the
// tool tried to send, failed writes included. Header-only, so that the fuzzers can use it too.

#include "usb/hidtransport.h"

#include <chrono>
#include <memory>
#include <vector>

class FakeHidDevice : public HidDevice {
public:
    struct Write {
        std::vector<uint8_t> data;
        std::chrono::steady_clock::time_point time;
        bool failed;
    };
    // Shared with the test, since the device object owns the FakeHidDevice.
    struct Log {
        std::vector<Write> writes;
        int writesToFail = 0; // the next n writes return -1
    };

    explicit FakeHidDevice(std::shared_ptr<Log> log)
        : log(std::move(log)) {}

    // The product string the device itself returns.
    std::wstring ownProduct = L"TARN Torvane Wheel Base";

    int write(const uint8_t* data, size_t length) override {
        const bool fail = log->writesToFail > 0;
        if (fail)
            --log->writesToFail;
        log->writes.push_back(Write{std::vector<uint8_t>(data, data + length),
                                    std::chrono::steady_clock::now(), fail});
        return fail ? -1 : int(length);
    }
    int read(uint8_t*, size_t) override { return 0; }
    int setNonblocking(bool) override { return 0; }
    HidCompletionHandle readBegin() override { return {}; }
    int readFinish(uint8_t*, size_t) override { return -1; }

protected:
    std::wstring deviceProductString() override { return ownProduct; }
    std::wstring deviceSerialNumberString() override { return L"FAKE-1"; }
    std::wstring deviceManufacturerString() override { return L"TARN"; }

private:
    std::shared_ptr<Log> log;
};

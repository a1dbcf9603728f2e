#include "tests/support/fakehiddevice.h"

int FakeHidDevice::write(const uint8_t* data, size_t length) {
    bool fail = log->writesToFail > 0;
    if (fail)
        --log->writesToFail;
    log->writes.push_back(
        Write{std::vector<uint8_t>(data, data + length), std::chrono::steady_clock::now(), fail});
    return fail ? -1 : int(length);
}

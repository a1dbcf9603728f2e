#pragma once
// Base of the four device classes: one object per open HID device, created and owned by the
// UsbManager. It writes 64-byte requests and resends an awaited one every retry interval until
// its answer arrives, and receives the reports the manager delivers on the GUI thread.
//
// An answer acts once: it is taken only while the request it answers is outstanding (same
// command and, where the answer carries one, same index), and taking it ends that request. A
// device that answers late answers the request and its resend; the second answer, and any other
// that matches nothing outstanding, is dropped without stopping the retry of what is
// outstanding. Reports a device sends on its own are never answers.

#include "usb/hidtransport.h"
#include "usb/tarnusbreport.h"
#include "usb/usbtimings.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

// Where an answer carries the index of what it answers (a record, a page, a chunk): it answers
// only the request with the same bytes there. Size 0: the command alone tells.
struct AnswerIndex {
    int offset = 0;
    int size = 0;
};
constexpr AnswerIndex kRecordIndex{kRecordOffset, 1};

class UsbDevice : public QObject {
    Q_OBJECT

public:
    UsbDevice(const QString& path, std::unique_ptr<HidDevice> handle);
    ~UsbDevice() override;

    // Takes the intervals the manager runs with (the retry interval here).
    virtual void applyTimings(const UsbTimings& timings);

    // Non-blocking read of one report (the manager's read pass without a reader thread):
    // the byte count, 0 when nothing is pending, -1 on error.
    virtual int readReport(uint8_t* buffer);
    // Writes a request. An awaited one (expectResponse) becomes the request outstanding, answered
    // by the next answer with its command, and is resent every retry interval until then. An
    // unawaited one whose write fails is resent until it is written.
    virtual void writeReport(const uint8_t* report, bool expectResponse);
    // Called on the GUI thread for every 64-byte report of this device.
    virtual void handleReport(TarnUsbReport* report, uint64_t readTimeMicros);

    // The open device, for the reader thread's asynchronous reads.
    HidDevice* hidDevice() const { return handle.get(); }

    const QString path;
    const QString productName;
    const QString serialNumber;

public slots:
    void retryOnTimeout();

protected:
    // As writeReport; an awaited request whose answer carries an index takes only the answer
    // with the request's index.
    void writeRequest(const TarnRequest& request, bool expectResponse, AnswerIndex index = {});
    // True when `report` answers the request outstanding, which is then over (no more resends).
    // False for anything else, which must then change nothing.
    bool takeAnswer(const TarnUsbReport* report);
    // Gives up the request outstanding: it is not resent, and its answer will be dropped.
    void abandonRequest();
    void setRetryInterval(int ms) { retryTimer.setInterval(ms); }

private:
    void send(const uint8_t* report, bool expectResponse, AnswerIndex index);

    std::unique_ptr<HidDevice> handle;
    // The request the retry resends: the one outstanding, or an unawaited one not yet written.
    uint8_t lastRequest[kReportSize] = {};
    bool awaiting = false;
    AnswerIndex awaitedIndex;
    QTimer retryTimer;
};

#include "tests/support/slotwarnings.h"

#include <QCoreApplication>
#include <QEvent>
#include <QtTest>

#include <mutex>

namespace {

// Guards the handler chain and the active recorder's collection: messages may come from any
// thread.
std::mutex mutex;
QtMessageHandler nextHandler = nullptr;
QStringList* collection = nullptr;

bool isSlotWarning(QtMsgType type, const QString& message) {
    return type == QtWarningMsg &&
           message.startsWith(QLatin1String("QMetaObject::connectSlotsByName:"));
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    QtMessageHandler forward = nullptr;
    bool recorded = false;
    const bool slotWarning = isSlotWarning(type, message);
    {
        std::lock_guard<std::mutex> guard(mutex);
        forward = nextHandler;
        if (slotWarning && collection) {
            collection->append(message);
            recorded = true;
        }
    }
    forward(type, context, message);
    if (slotWarning && !recorded)
        QTest::qFail(qPrintable(message), context.file, context.line);
}

void installHandler() {
    std::lock_guard<std::mutex> guard(mutex);
    if (!nextHandler)
        nextHandler = qInstallMessageHandler(handleMessage);
}

// Qt Test installs its own message handler when the test run starts and passes nothing on to the
// handler before it, so a handler installed at program start would never see a test's messages.
// This one goes on top of Qt Test's at the first event delivered while a test function runs:
// building a window delivers many before its slots are connected.
class HandlerInstaller : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (QTest::currentTestFunction()) {
            installHandler();
            QCoreApplication::instance()->removeEventFilter(this);
        }
        return QObject::eventFilter(watched, event);
    }
};

void watchForTestRun() {
    QCoreApplication* application = QCoreApplication::instance();
    application->installEventFilter(new HandlerInstaller(application));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchForTestRun)

SlotWarningRecorder::SlotWarningRecorder() {
    installHandler();
    std::lock_guard<std::mutex> guard(mutex);
    outerCollection = collection;
    collection = &seen;
}

SlotWarningRecorder::~SlotWarningRecorder() {
    std::lock_guard<std::mutex> guard(mutex);
    collection = outerCollection;
}

QStringList SlotWarningRecorder::warnings() const {
    std::lock_guard<std::mutex> guard(mutex);
    return seen;
}

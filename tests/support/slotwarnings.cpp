// Qt connects a form's on_<object>_<signal> slots by object name and only prints a warning for a
// slot it finds no signal for, so a renamed widget would quietly cut its slot off. Every test
// program links this hook, which makes such a warning fail the running test function: each test
// that builds a window checks the window's slots.

#include <QCoreApplication>
#include <QEvent>
#include <QtTest>

#include <mutex>

namespace {

// Guards the handler chain: messages may come from any thread.
std::mutex mutex;
QtMessageHandler nextHandler = nullptr;

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    QtMessageHandler forward = nullptr;
    {
        std::lock_guard<std::mutex> guard(mutex);
        forward = nextHandler;
    }
    forward(type, context, message);
    if (type == QtWarningMsg &&
        message.startsWith(QLatin1String("QMetaObject::connectSlotsByName:")))
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

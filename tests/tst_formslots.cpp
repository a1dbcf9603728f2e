// The main window's on_<object>_<signal> slots, which Qt connects by object name when the form is
// set up: each one has a child of that name with a matching signal, and building the window
// prints no warning about a slot left unconnected.

#include "app/tarn_wheel_tool.h"
#include "tests/support/slotwarnings.h"
#include "tests/support/virtualbus.h"

#include <QMetaMethod>
#include <QtTest>

#include <memory>

namespace {

bool isFormSlot(const QMetaMethod& method) {
    return method.name().startsWith("on_") && !(method.attributes() & QMetaMethod::Cloned);
}

bool beginsWith(const QList<QByteArray>& types, const QList<QByteArray>& prefix) {
    return types.size() >= prefix.size() && types.mid(0, prefix.size()) == prefix;
}

// The "object::signal(...)" the slot is connected to, found the way connectSlotsByName looks:
// the name after "on_" splits at an underscore into an object name (which may hold underscores
// itself) and the name of a signal of that object whose parameters begin with the slot's.
// Empty when there is none; what was looked for goes to `tried`.
QString matchingSignal(QObject& window, const QMetaMethod& slot, QStringList& tried) {
    const QByteArray name = slot.name();
    QList<QObject*> objects = window.findChildren<QObject*>();
    objects.append(&window);
    for (int split = name.indexOf('_', 3); split > 0; split = name.indexOf('_', split + 1)) {
        const QString objectName = QString::fromLatin1(name.mid(3, split - 3));
        const QByteArray signalName = name.mid(split + 1);
        tried << QStringLiteral("%1::%2(%3...)")
                     .arg(objectName, signalName, slot.parameterTypes().join(", "));
        for (QObject* object : objects) {
            if (object->objectName() != objectName)
                continue;
            const QMetaObject* meta = object->metaObject();
            for (int i = 0; i < meta->methodCount(); ++i) {
                const QMetaMethod method = meta->method(i);
                if (method.methodType() == QMetaMethod::Signal && method.name() == signalName &&
                    beginsWith(method.parameterTypes(), slot.parameterTypes()))
                    return objectName + QLatin1String("::") + method.methodSignature();
            }
        }
    }
    return QString();
}

} // namespace

class FormSlotsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        bus = std::make_unique<VirtualBus>();
        QVERIFY(bus->isValid());
        SlotWarningRecorder recorder;
        window = std::make_unique<TARN_wheel_tool>();
        buildWarnings = recorder.warnings();
    }

    void cleanupTestCase() {
        window.reset();
        bus.reset();
    }

    void slotHasSignal_data() {
        QTest::addColumn<QByteArray>("signature");
        const QMetaObject& meta = TARN_wheel_tool::staticMetaObject;
        for (int i = 0; i < meta.methodCount(); ++i) {
            const QMetaMethod method = meta.method(i);
            if (isFormSlot(method))
                QTest::newRow(method.methodSignature().constData()) << method.methodSignature();
        }
    }

    void slotHasSignal() {
        QFETCH(QByteArray, signature);
        const QMetaObject* meta = window->metaObject();
        const QMetaMethod slot = meta->method(meta->indexOfMethod(signature.constData()));
        QStringList tried;
        const QString signal = matchingSignal(*window, slot, tried);
        QVERIFY2(!signal.isEmpty(),
                 qPrintable(QStringLiteral("%1 is connected to nothing: the window has no %2")
                                .arg(QString::fromLatin1(signature), tried.join(" or "))));
    }

    void buildsWithoutSlotWarnings() {
        QVERIFY2(buildWarnings.isEmpty(), qPrintable(buildWarnings.join('\n')));
    }

private:
    std::unique_ptr<VirtualBus> bus;
    std::unique_ptr<TARN_wheel_tool> window;
    QStringList buildWarnings;
};

QTEST_MAIN(FormSlotsTest)
#include "tst_formslots.moc"

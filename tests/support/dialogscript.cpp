#include "tests/support/dialogscript.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

QString DialogScript::Shown::messageBox() const {
    const QMetaObject& box = QMessageBox::staticMetaObject;
    const QMetaEnum icons = box.enumerator(box.indexOfEnumerator("Icon"));
    const QMetaEnum buttonNames = box.enumerator(box.indexOfEnumerator("StandardButton"));
    // Each button by its first name: the enum also names the first and last button again.
    QStringList names;
    for (int i = 0; i < buttonNames.keyCount(); ++i) {
        const int button = buttonNames.value(i);
        if (buttons.testFlag(QMessageBox::StandardButton(button)) && button != 0 &&
            !names.contains(QLatin1String(buttonNames.valueToKey(button))))
            names << buttonNames.valueToKey(button);
    }
    return QStringLiteral("%1, %2, default %3: %4: %5")
        .arg(icons.valueToKey(icon), names.join('|'), buttonNames.valueToKey(defaultButton), title,
             text);
}

DialogScript::DialogScript() {
    qApp->installEventFilter(this);
}

DialogScript::~DialogScript() {
    qApp->removeEventFilter(this);
}

void DialogScript::answerFileDialog(const QString& fileName,
                                    const std::function<void()>& meanwhile) {
    steps.append([this, fileName, meanwhile](QWidget* widget) {
        if (meanwhile)
            meanwhile();
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        shown.append({widget->windowTitle(), QString(),
                      dialog ? dialog->nameFilters() : QStringList(),
                      dialog ? dialog->directory().absolutePath() : QString()});
        if (!dialog || fileName.isEmpty()) {
            static_cast<QDialog*>(widget)->reject();
            return;
        }
        // selectFile() leaves a name edit that has the focus alone.
        if (QWidget* focused = dialog->focusWidget())
            focused->clearFocus();
        dialog->selectFile(fileName);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, protected there
    });
}

void DialogScript::leaveFileDialogOpen(const std::function<void()>& meanwhile) {
    steps.append([this, meanwhile](QWidget* widget) {
        shown.append({widget->windowTitle(), QString(), {}, {}});
        meanwhile();
    });
}

void DialogScript::closeMessageBox() {
    answerMessageBox(QMessageBox::Ok);
}

void DialogScript::answerMessageBox(QMessageBox::StandardButton button) {
    steps.append([this, button](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        Shown seen{widget->windowTitle(), box ? box->text() : QString(), {}, {}};
        if (box) {
            seen.icon = box->icon();
            seen.buttons = box->standardButtons();
            if (box->defaultButton())
                seen.defaultButton = box->standardButton(box->defaultButton());
        }
        shown.append(seen);
        if (box && box->button(button))
            box->button(button)->click();
        else
            static_cast<QDialog*>(widget)->reject();
    });
}

bool DialogScript::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::Show && object->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(object);
        if (widget->isWindow() && widget->isModal() && qobject_cast<QDialog*>(widget) &&
            !qobject_cast<QProgressDialog*>(widget)) {
            auto step = steps.isEmpty() ? std::function<void(QWidget*)>(closeUnexpected)
                                        : steps.takeFirst();
            QPointer<QWidget> target = widget;
            QTimer::singleShot(0, this, [target, step] {
                if (target)
                    step(target);
            });
        }
    }
    return false;
}

void DialogScript::closeUnexpected(QWidget* widget) {
    qWarning("unexpected dialog: %s", qPrintable(widget->windowTitle()));
    static_cast<QDialog*>(widget)->reject();
}

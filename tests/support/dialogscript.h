#pragma once
// Answers the modal dialogs a window opens, in order, from inside their own event loops, and
// remembers what each one showed. Progress dialogs need no answer and are left alone; a dialog
// nobody expected is closed, so that a test fails instead of hanging.

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

class DialogScript : public QObject {
public:
    struct Shown {
        QString title;
        QString text;        // message boxes
        QStringList filters; // file dialogs
        QString directory;   // file dialogs
        // Message boxes: their icon, buttons and default button.
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons = QMessageBox::NoButton;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;

        // A message box in one line: "Warning, Yes|No, default No: title: text".
        QString messageBox() const;
    };

    DialogScript();
    ~DialogScript() override;

    // The next file dialog selects `fileName`, or is cancelled when it is empty; `meanwhile`
    // runs first, while the dialog is open.
    void answerFileDialog(const QString& fileName,
                          const std::function<void()>& meanwhile = nullptr);
    // The next file dialog is left open after `meanwhile` has run: the window must close it.
    void leaveFileDialogOpen(const std::function<void()>& meanwhile);
    // The next message box is read and closed with OK.
    void closeMessageBox();
    // The next message box is read and answered with `button` (closed when it has none).
    void answerMessageBox(QMessageBox::StandardButton button);

    bool done() const { return steps.isEmpty(); }
    QList<Shown> shown;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    static void closeUnexpected(QWidget* widget);

    QList<std::function<void(QWidget*)>> steps;
};

#pragma once
// The wheel-base page's games compatibility key row: a label that says whether the key is
// present and a button that installs or removes it. The registry is the only state: it is read
// again every time the page is shown and after every press. Hidden where the platform has no
// registry.

#include "wheelbase/gameskeyplatform.h"

#include <QObject>

#include <memory>

class QLabel;
class QPushButton;
class QWidget;

class GamesKeyRow : public QObject {
    Q_OBJECT

public:
    // `row` holds `label` and `button`.
    GamesKeyRow(QWidget* row, QLabel* label, QPushButton* button, QObject* parent);

    // Works through `replacement` from now on instead of the platform the tool runs on.
    void usePlatform(std::unique_ptr<GamesKeyPlatform> replacement);
    // Reads the key and shows what was found.
    void refresh();
    // The button: runs the elevated command that installs or removes the key, which blocks the
    // window until it has ended, and says how it went.
    void toggle();

private:
    void show(bool present);

    QWidget* const row;
    QLabel* const label;
    QPushButton* const button;
    std::unique_ptr<GamesKeyPlatform> platform;
};

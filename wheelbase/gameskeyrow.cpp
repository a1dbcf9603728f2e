#include "wheelbase/gameskeyrow.h"

#include "wheelbase/gamescompatibilitykey.h"
#include "wheelbase/gameskeytexts.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include <utility>

GamesKeyRow::GamesKeyRow(QWidget* row, QLabel* label, QPushButton* button, QObject* parent)
    : QObject(parent)
    , row(row)
    , label(label)
    , button(button) {
    usePlatform(createGamesKeyPlatform());
}

void GamesKeyRow::usePlatform(std::unique_ptr<GamesKeyPlatform> replacement) {
    platform = std::move(replacement);
    row->setVisible(platform->hasRegistry());
}

void GamesKeyRow::refresh() {
    if (platform->hasRegistry())
        show(GamesCompatibilityKey(*platform).isGamesCompatibilityKeyPresent());
}

void GamesKeyRow::toggle() {
    const GamesKeyOutcome outcome = GamesCompatibilityKey(*platform).toggle();
    const GamesKeyMessage message = gamesKeyMessage(outcome);
    if (message.failed)
        QMessageBox::critical(row->window(), message.title, message.text);
    else
        QMessageBox::information(row->window(), message.title, message.text);
    // What the registry holds now; a failed press leaves the row as it was.
    show(gamesKeyPresentAfter(outcome));
}

void GamesKeyRow::show(bool present) {
    const GamesKeyRowTexts texts = gamesKeyRowTexts(present);
    label->setText(texts.label);
    button->setText(texts.button);
}

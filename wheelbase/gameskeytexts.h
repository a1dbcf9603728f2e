#pragma once
// What the games compatibility key's row and its message boxes say.

#include "wheelbase/gamescompatibilitykey.h"

#include <QString>

struct GamesKeyRowTexts {
    QString label;
    QString button;
};

// The row while the key is present or absent; the button offers the opposite.
GamesKeyRowTexts gamesKeyRowTexts(bool present);

struct GamesKeyMessage {
    bool failed; // shown as a critical box, else as an information box
    QString title;
    QString text;
};

// The box that tells how pressing the button went.
GamesKeyMessage gamesKeyMessage(GamesKeyOutcome outcome);

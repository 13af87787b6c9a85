// Return and Enter act on the kit's buttons and switches at once, as a
// default button does; Space stays the button's own (pressed on the key,
// clicked on its release). One rule for every control that clicks.
#pragma once

class QAbstractButton;
class QKeyEvent;

namespace KeyActivation {

// Takes a Return or Enter without modifiers (the keypad's own flag aside):
// clicks `button` unless the key repeats, accepts the event and answers
// true. Any other key is left to the caller.
bool clickOnReturn(QAbstractButton& button, QKeyEvent* event);

}  // namespace KeyActivation

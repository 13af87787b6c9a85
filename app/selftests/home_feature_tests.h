// The home page's built-in data-path check (`Kivo --home-test`): visits are
// grouped by origin and counted, suggestions carry no query or fragment,
// clearing the history clears the suggestions, and a private profile starts
// empty. Everything runs in memory on the main thread; nothing is written.
#pragma once

// Runs the checks; prints the PASS line on success and throws BridgeError
// with the failed check's text otherwise.
void runHomeFeatureTests();

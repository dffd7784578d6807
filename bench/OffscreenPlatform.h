#pragma once

// Widgets with no display: the offscreen platform draws into memory, as the tests do. Its notice at every
// pop-up ("This plugin does not support ...") is dropped: thousands of lines would bury the results.
// Call before the QApplication is made.
void UseQuietOffscreenPlatform();

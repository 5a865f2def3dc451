// SPDX-License-Identifier: MIT
// The game's sound for one run: the sound manager, the effects and the sound handlers of the bus,
// started at launch after the window and before the game; while the window is out of focus every
// sound holds where it is. The pools and the device are given back at the end.
#pragma once

namespace sound {

void startSession();
// Unsubscribes every sound handler and closes the device: sound events after this are silent
// and harmless.
void endSession();

} // namespace sound

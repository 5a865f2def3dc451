// SPDX-License-Identifier: MIT
// The application's side of sound: the player's sound switch, the remembered background track and
// the game's request for effects. The shell owns one AppSound for the whole run.
#pragma once

#include <string>

namespace sound {

class AppSound {
  public:
    AppSound() = default;
    ~AppSound();
    AppSound(const AppSound&) = delete;
    AppSound& operator=(const AppSound&) = delete;

    // At launch, before the game view exists: starts the sound manager, adds the "sounds" folder
    // of the resources to the search folders and subscribes the handlers below (setSound,
    // pauseSound, resumeSound, setBackgroundSound, flingoPlaySound,
    // preloadSound, in that order). Effects are decoded when a screen asks for them.
    void setupAudio();
    // At the end, just before onShutdown is published: stops the background track.
    void releaseBackgroundMusic();

    // Bus handlers.
    void setSound(void* payload);           // bool in the word: the player's switch
    void pauseSound(void* payload);         // the track stops; it stays remembered
    void resumeSound(void* payload);        // the remembered track starts again from its start
    void setBackgroundSound(void* payload); // file name, or null for none
    void flingoPlaySound(void* payload);    // file name of an effect
    // File name of an effect the screen now shown may play: decoded on the loader thread.
    void preloadSound(void* payload);

    bool m_sound_on = false;
    // Our own copy: the name published may live in a caller's temporary buffer.
    std::string m_background_sound;
    bool m_has_background = false;

  private:
    bool m_subscribed = false;
};

} // namespace sound

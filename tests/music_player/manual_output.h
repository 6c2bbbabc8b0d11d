// manual_output.h - the hand-moved test device: an OutputDevice whose play
// position the test moves by hand, installed through OutputSetFactory.
#pragma once
#include <cstdint>
#include <vector>

#include "output.h"

// The hand-moved test device. Install() makes OutputOpen hand out manual
// devices; at most one is open at a time in a sane player, and the counters
// let tests check exactly that.
struct ManualOutput {
    static void Install(bool opens = true, bool starts = true);
    static void Uninstall();  // back to SDL2 audio
    // The device "plays" `bytes` more bytes: they are copied from the ring at
    // the play position into the record of played audio and the position
    // advances. False when no manual device is playing.
    static bool Play(uint32_t bytes);
    static std::vector<int16_t> TakePlayed();  // played samples so far, then cleared
    static uint64_t Position();                // of the open device, 0 if none
    static bool Playing();                     // a device is open and started
    static int OpenNow();                      // devices open at this moment
    static int MostOpenAtOnce();               // since Install
    static int Opened();                       // devices opened since Install
    static int Closed();                       // devices closed since Install
    // Called inside OutputOpen just before a manual device is created (or
    // refused); lets a test look at the player's state at that moment.
    static void (*OnOpen)();
};

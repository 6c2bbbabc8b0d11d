// output_waveout.h - what the waveOut device (output_waveout.cpp) lets its
// tests change: the call that asks the driver for the play position, so that
// a test can stand in for a driver that answers in other time formats.
#pragma once
#include <windows.h>
// (after windows.h, which it needs)
#include <mmsystem.h>

using WavePositionQuery = MMRESULT(WINAPI*)(HWAVEOUT, LPMMTIME, UINT);
// Installs the position query the device uses (nullptr: waveOutGetPosition
// again); returns the one installed before.
WavePositionQuery SetWavePositionQuery(WavePositionQuery query);

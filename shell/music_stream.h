#pragma once
// The one music stream, "z.ogg", played once from the start. The handle stays null when
// the file cannot be opened; playing and position queries then still go to the library
// with that null handle.

struct FSOUND_STREAM;

struct MusicStream {
    static FSOUND_STREAM* handle;

    // Selects the output, initialises the library and opens "z.ogg".
    static void Open();
    // Starts playback on channel 0.
    static void Play();
};

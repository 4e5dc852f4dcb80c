#pragma once

// ALSA's library prints its own configuration complaints ("Unknown PCM default") on standard
// error while SDL probes a machine without a sound card. The demo then plays silently on
// the wall clock, so those lines only confuse: this installs a silent error handler when
// the library is present, before SDL opens audio.
void SilenceAlsaErrors();

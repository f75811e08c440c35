// What the leak checker of sanitised test programs is told to leave alone.
// RtMidi 5.0's JACK client, looked for when there is no ALSA sequencer,
// creates its ring buffers anew at each attempt to reach a JACK server that
// is not running and drops the old ones.
extern "C" const char* __lsan_default_suppressions() { return "leak:jack_ringbuffer_create\n"; }

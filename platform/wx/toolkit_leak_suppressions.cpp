// The toolkit's libraries keep caches (fonts, type registrations, the bus
// connection) for the life of the process and never free them; the leak
// checker of sanitised builds is told so, and still reports our own leaks.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libglib\nleak:libgobject\nleak:libgio\nleak:libgtk\nleak:libgdk\n"
           "leak:libpango\nleak:libcairo\nleak:libdbus\nleak:libX11\nleak:libatk\nleak:libharfbuzz\n"
           // RtMidi's JACK client drops its ring buffers at each failed
           // attempt to reach a server (tests/sanitizer_suppressions.cpp).
           "leak:jack_ringbuffer_create\n";
}

#pragma once

namespace earloop {

class KeyboardPort {
public:
    virtual ~KeyboardPort() = default;
    // Whether Escape is down now or was pressed since the last question; a
    // long task on the GUI thread polls it to let the user cancel.
    virtual bool EscapePressed() = 0;
};

}  // namespace earloop

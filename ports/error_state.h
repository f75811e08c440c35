#pragma once
#include <string>

namespace earloop {

// The program's error number (0: none) and message, filled by the steps that
// fail and shown by their callers in a box captioned "Error <code>".
struct ErrorState {
    int code = 0;
    std::string message;

    void Set(int newCode, std::string text) {
        code = newCode;
        message = std::move(text);
    }
    void Clear() { Set(0, {}); }
};

}  // namespace earloop

#pragma once
#include <string>

namespace earloop {

enum class MessageIcon { None, Exclamation, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageResult { Ok, Cancel, Yes, No };

struct MessageBoxRequest {
    std::string text;     // UTF-8
    std::string caption;  // UTF-8
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    bool ownedByMainWindow = true;
    friend bool operator==(const MessageBoxRequest&, const MessageBoxRequest&) = default;
};

class DialogPort {
public:
    virtual ~DialogPort() = default;
    // Modal; returns when the user has answered.
    virtual MessageResult ShowMessageBox(const MessageBoxRequest& request) = 0;
};

}  // namespace earloop

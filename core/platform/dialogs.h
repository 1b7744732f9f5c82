#pragma once

#include <string>

namespace vx470 {

enum class MessageIcon { None, Information, Exclamation, Critical, Question };
enum class MessageButtons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

struct MessageBox {
    std::string text;
    std::string title;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    // 0 = the first button is the default, 1 = the second.
    int defaultButton = 0;
};

// Modal message boxes.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual Answer show(const MessageBox& box) = 0;
};

}  // namespace vx470

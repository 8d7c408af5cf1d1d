#include "ui/MessageBoxSeam.h"

namespace {
MessageBoxAnswer& Answer() {
    static MessageBoxAnswer answer;
    return answer;
}
}  // namespace

int ShowInfoMessage(const std::string& text) {
    const char* caption = "信息：";
    const UINT style = MB_OK | MB_TASKMODAL;
    if (Answer()) return Answer()(text, caption, style);
    return MessageBoxA(nullptr, text.c_str(), caption, style);
}

void SetMessageBoxAnswer(MessageBoxAnswer answer) { Answer() = std::move(answer); }

// Lets the scripted user answer message boxes without the platform knowing about it.
#pragma once

namespace gx::platform {

// Returns the button id that answers a message box.
using MessageBoxHandler = int (*)(const char* text, const char* caption, unsigned flags);
// Installs the handler that answers message boxes (null restores the default).
void setMessageBoxHandler(MessageBoxHandler handler);
MessageBoxHandler messageBoxHandler();

// The dialog a message box belongs to while one is open (a window handle; null when
// none). On Windows such a box is a real one owned by that dialog.
void setMessageBoxOwner(void* window);
void* messageBoxOwner();

// The answer a box gets when nobody is there to press a button: the safe choice.
inline int defaultMessageBoxAnswer(unsigned flags) {
    switch (flags & 0xF) {
        case 0x1:  // OK/Cancel
        case 0x3:  // Yes/No/Cancel
            return 2;
        case 0x4:  // Yes/No
            return 7;
        default:
            return 1;
    }
}

}  // namespace gx::platform

#include "ui/services.h"

void* owner_window(const Windows& windows) {
    if (windows.progress != nullptr)
        return windows.progress;
    return windows.background;
}

#include "tests/support/fatal_capture.h"

void throwing_fatal_handler(const char* message) {
    throw FatalEnding{message};
}

std::string fatal_text(const std::function<void()>& code) {
    try {
        code();
    } catch (const FatalEnding& ending) {
        return ending.message;
    }
    return "(no fatal ending)";
}

#include "installer/shortcuts.h"

bool add_link_extension(String& path) {
    if (path.find(".LNK", 0, String::match_ignore_case) >= 0)
        return false;
    path.append(".LNK");
    return true;
}

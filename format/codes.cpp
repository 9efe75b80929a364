#include "format/codes.h"

const char* corrupt_code_meaning(int code) {
    switch (code) {
#define VARNOOK_CORRUPT_CODE_CASE(name, value, meaning)                                                      \
    case value:                                                                                              \
        return meaning;
        VARNOOK_CORRUPT_CODES(VARNOOK_CORRUPT_CODE_CASE)
#undef VARNOOK_CORRUPT_CODE_CASE
    }
    return nullptr;
}

#include "core/program.h"

const char* program_name() {
    return "Varnook";
}

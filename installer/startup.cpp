#include "installer/startup.h"

void apply_command_line(const CommandLine& options, InstallRun& run) {
    run.options = options;
    run.automatic = options.automatic;
    run.product_name = options.product_name;
}

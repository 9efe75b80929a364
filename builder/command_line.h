// varnook-build's command line: what a user asked for, or what to write instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class BuilderCommand { help, build, inspect, extract, strip, pack, unpack };

struct BuilderRequest {
    BuilderCommand command = BuilderCommand::help;
    // build: the product file; inspect, extract, strip: the installer; pack, unpack: IN.
    std::string input;
    // build, strip: -o (empty when build is not given one); pack, unpack: OUT.
    std::string output;
    // extract: -d.
    std::string folder;
    // build: --stub; empty when not given.
    std::string stub;
    // build, pack: --level; 0 when not given.
    int level = 0;
    // build: --volume-size in bytes; -1 when not given.
    std::int64_t volume_size = -1;
};

// Reads the arguments that follow the program's name. False when they are wrong:
// error then says what is wrong and ends with how to write it (the usage of the
// command, or the whole usage text when the command itself is wrong).
bool parse_command_line(const std::vector<std::string>& arguments, BuilderRequest& request,
                        std::string& error);

// What `varnook-build help` prints: every command, the notes and the packing levels.
std::string usage_text();

#include "builder/command_line.h"

#include <CLI/CLI.hpp>

#include "builder/packer.h"
#include "builder/product_file.h"

namespace {

// The same floor as the product file's build.volume_size: a smaller volume holds
// hardly more than its own header.
constexpr std::int64_t min_volume_size = 4096;

struct CommandUsage {
    BuilderCommand command;
    const char* name;
    const char* arguments;
    const char* summary;
};

const CommandUsage commands[] = {
    {BuilderCommand::build, "build",
     "PRODUCT.toml [-o setup.exe] [--volume-size SIZE] [--level N] [--stub FILE]",
     "build the installer a product file describes"},
    {BuilderCommand::inspect, "inspect", "setup.exe", "show what an installer holds and check it"},
    {BuilderCommand::extract, "extract", "setup.exe -d DIR", "write the product's files into DIR"},
    {BuilderCommand::strip, "strip", "setup.exe -o bare.exe", "write the installer without its payload"},
    {BuilderCommand::pack, "pack", "IN OUT [--level N]", "pack the file IN into the packed block OUT"},
    {BuilderCommand::unpack, "unpack", "IN OUT", "unpack the packed block IN into the file OUT"},
};

std::string synopsis(const CommandUsage& usage) {
    return std::string(usage.name) + " " + usage.arguments;
}

std::string usage_line(const CommandUsage& usage) {
    return "usage: varnook-build " + synopsis(usage) + "\n";
}

// A whole decimal number from fastest to best; false for anything else.
bool parse_level(const std::string& text, int& level) {
    if (text.empty() || text.size() > 2)
        return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < pack_level_fastest || value > pack_level_best)
        return false;
    level = value;
    return true;
}

std::string level_problem(const std::string& text) {
    return "--level takes " + std::to_string(pack_level_fastest) + " (fastest) to " +
           std::to_string(pack_level_best) + " (smallest), not \"" + text + "\"";
}

// The name of an option as the user wrote it (-o or --output), for messages.
std::string written_name(const CLI::Option& option, const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        std::string name = argument.substr(0, argument.find('='));
        if (name.size() > 1 && name[0] == '-' && option.check_name(name))
            return name;
    }
    return option.get_name();
}

// CLI11 gives an option the argument after it even when that is another option of
// the command ("--stub --level 3"); such a value means the user left it out.
std::string swallowed_option(const CLI::App& command, const std::vector<std::string>& arguments) {
    for (const CLI::Option* option : command.get_options()) {
        if (option->get_positional())
            continue;
        for (const std::string& value : option->results()) {
            std::string name = value.substr(0, value.find('='));
            if (name.size() > 1 && name[0] == '-' && command.get_option_no_throw(name))
                return written_name(*option, arguments) + " needs a value";
        }
    }
    return "";
}

// Says what is wrong with a command line CLI11 refused.
std::string parse_problem(const CLI::ParseError& e, CLI::App& app, const CLI::App* command,
                          const std::vector<std::string>& arguments) {
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
        std::vector<std::string> extras = app.remaining(true);
        std::string first = extras.empty() ? std::string() : extras.front();
        bool is_option = first.size() > 1 && first[0] == '-';
        const std::string start = arguments.empty() ? std::string() : arguments.front();
        if (start.size() > 1 && start[0] == '-')
            return "put the command before " + start;
        if (!command)
            return "unknown command '" + first + "'";
        if (is_option)
            return command->get_name() + " does not know " + first;
        return "\"" + first + "\" is one argument too many for " + command->get_name();
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) && command) {
        // The option whose value is missing; CLI11 names it first in its message.
        std::string what = e.what();
        for (const CLI::Option* option : command->get_options()) {
            if (!option->get_positional() && what.rfind(option->get_name() + ":", 0) == 0)
                return written_name(*option, arguments) + " needs a value";
        }
    }
    return e.what();
}

// The texts of --level and --volume-size, which the request holds as numbers.
struct NumberTexts {
    const CLI::Option* level = nullptr;
    std::string level_text;
    const CLI::Option* size = nullptr;
    std::string size_text;
};

bool given(const CLI::Option* option) {
    return option && option->count() > 0;
}

// Checks the values CLI11 collected for one command; empty when they are right.
std::string value_problem(BuilderCommand command, const NumberTexts& numbers, BuilderRequest& request) {
    switch (command) {
    case BuilderCommand::build:
        if (request.input.empty())
            return "build needs the product file";
        break;
    case BuilderCommand::inspect:
        if (request.input.empty())
            return "inspect needs the installer";
        break;
    case BuilderCommand::extract:
        if (request.input.empty())
            return "extract needs the installer";
        if (request.folder.empty())
            return "extract needs -d DIR, the folder to write the files into";
        break;
    case BuilderCommand::strip:
        if (request.input.empty())
            return "strip needs the installer";
        if (request.output.empty())
            return "strip needs -o bare.exe, the file to write";
        break;
    case BuilderCommand::pack:
    case BuilderCommand::unpack:
        if (request.input.empty() || request.output.empty())
            return std::string(command == BuilderCommand::pack ? "pack" : "unpack") + " needs IN and OUT";
        break;
    case BuilderCommand::help:
        break;
    }
    if (given(numbers.level) && !parse_level(numbers.level_text, request.level))
        return level_problem(numbers.level_text);
    if (given(numbers.size)) {
        const std::string& size_text = numbers.size_text;
        request.volume_size = parse_size(size_text);
        if (request.volume_size < 0 || (request.volume_size > 0 && request.volume_size < min_volume_size))
            return "--volume-size takes 0 (no volumes) or a size of at least " +
                   std::to_string(min_volume_size) + " bytes, such as 1440000, 700K or 1.44M, not \"" +
                   size_text + "\"";
    }
    return "";
}

} // namespace

std::string usage_text() {
    std::string text = "usage: varnook-build COMMAND ...\n\ncommands:\n";
    // Summaries start in one column; a longer synopsis puts its summary on the next line.
    const size_t column = 28;
    for (const CommandUsage& usage : commands) {
        std::string line = "  " + synopsis(usage);
        if (line.size() + 2 <= column)
            line.append(column - line.size(), ' ');
        else
            line += "\n" + std::string(column, ' ');
        text += line + usage.summary + "\n";
    }
    text += "\n"
            "pack and unpack print the sizes, the ratio (packed / unpacked) and the time taken.\n"
            "SIZE is in bytes, or with K or M (1000s), e.g. 1.44M. SOURCE_DATE_EPOCH, when set,\n"
            "dates the uninstaller and caps the file times, for reproducible builds.\n"
            "The stub is --stub, else [build] stub of the product file, else $VARNOOK_STUB,\n"
            "else varnook.exe beside this program.\n"
            "\n"
            "levels (default " +
            std::to_string(pack_level_default) + "):\n";
    for (int level = pack_level_fastest; level <= pack_level_best; ++level)
        text += "  " + std::to_string(level) + "  " + pack_level_description(level) + "\n";
    return text;
}

bool parse_command_line(const std::vector<std::string>& arguments, BuilderRequest& request,
                        std::string& error) {
    request = BuilderRequest();
    error.clear();
    NumberTexts numbers;

    CLI::App app("", "varnook-build");
    app.require_subcommand(0, 1);
    // As with most tools, the last of a repeated option counts.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    CLI::App* help = app.add_subcommand("help");
    help->allow_extras();
    CLI::App* build = app.add_subcommand("build");
    build->add_option("PRODUCT.toml", request.input);
    build->add_option("-o,--output", request.output);
    numbers.size = build->add_option("--volume-size", numbers.size_text);
    const CLI::Option* build_level = build->add_option("--level", numbers.level_text);
    build->add_option("--stub", request.stub);
    CLI::App* inspect = app.add_subcommand("inspect");
    inspect->add_option("setup.exe", request.input);
    CLI::App* extract = app.add_subcommand("extract");
    extract->add_option("setup.exe", request.input);
    extract->add_option("-d", request.folder);
    CLI::App* strip = app.add_subcommand("strip");
    strip->add_option("setup.exe", request.input);
    strip->add_option("-o", request.output);
    CLI::App* pack = app.add_subcommand("pack");
    pack->add_option("IN", request.input);
    pack->add_option("OUT", request.output);
    const CLI::Option* pack_level = pack->add_option("--level", numbers.level_text);
    CLI::App* unpack = app.add_subcommand("unpack");
    unpack->add_option("IN", request.input);
    unpack->add_option("OUT", request.output);

    const CommandUsage* usage = nullptr;
    auto chosen = [&]() -> CLI::App* {
        std::vector<CLI::App*> parsed = app.get_subcommands();
        CLI::App* command = parsed.empty() ? nullptr : parsed.front();
        usage = nullptr;
        for (const CommandUsage& u : commands)
            if (command && command->get_name() == u.name)
                usage = &u;
        return command;
    };
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return true;
    } catch (const CLI::ParseError& e) {
        CLI::App* command = chosen();
        std::string problem = command ? swallowed_option(*command, arguments) : "";
        if (problem.empty())
            problem = parse_problem(e, app, command, arguments);
        error = "varnook-build: " + problem + "\n";
        error += usage ? usage_line(*usage) : "\n" + usage_text();
        return false;
    }
    CLI::App* command = chosen();
    if (!command) {
        error = "varnook-build: give a command\n\n" + usage_text();
        return false;
    }
    if (command == help)
        return true;
    request.command = usage->command;
    numbers.level = command == pack ? pack_level : build_level;
    std::string problem = swallowed_option(*command, arguments);
    if (problem.empty())
        problem = value_problem(request.command, numbers, request);
    if (!problem.empty()) {
        error = "varnook-build: " + problem + "\n" + usage_line(*usage);
        return false;
    }
    return true;
}

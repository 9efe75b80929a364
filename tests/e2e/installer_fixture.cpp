#include "tests/e2e/installer_fixture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>

#include "builder/pe_writer.h"
#include "core/filesystem.h"
#include "tests/support/timeouts.h"
#include "tests/ui_driver/quoted_text.h"

std::string program(const char* name) {
    return exe_folder() + "\\" + name;
}

String read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return String(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

bool write_file(const std::string& path, const String& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.c_str(), bytes.length());
    return bool(out);
}

// Each scenario starts from an empty folder and leaves none behind, so that what an
// interrupted run installed never meets the next run.
TempFolder::TempFolder(const char* name) {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + name + "\\";
    delete_tree(path_.c_str());
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    delete_tree(path_.c_str());
}

InstallScript demo_script(const std::vector<std::pair<int, const char*>>& texts) {
    InstallScript s;
    s.default_product_name = "Demo Tool";
    s.default_directory = "%ProgramFiles%\\Demo Tool";
    s.volume_base_name = "BASE";
    s.uninstaller_file_name = "Uninstall Demo Tool.exe";
    s.language_names.add(String("English"));
    for (int n = 0; n <= 30; ++n) {
        std::string text = "Text " + std::to_string(n);
        for (const auto& given : texts)
            if (given.first == n)
                text = given.second;
        s.language_strings.add(Vector<String>()).add(String(text.c_str()));
    }
    return s;
}

InstallScript full_demo_script(const std::vector<std::pair<int, const char*>>& texts) {
    InstallScript s = demo_script(texts);
    for (int n = 31; n <= 65; ++n) {
        const char* text = "";
        for (const auto& given : texts)
            if (given.first == n)
                text = given.second;
        s.language_strings.add(Vector<String>()).add(String(text));
    }
    return s;
}

std::vector<FileRecord> demo_files() {
    std::vector<FileRecord> files(2);
    files[0].name = "readme.txt";
    files[0].data = "Demo Tool, read me first.\r\n";
    files[1].name = "demo.dat";
    files[1].destination = 1;
    for (int i = 0; i < 40; ++i)
        files[1].data.append_format("line %02d of the demo data\r\n", i);
    files[1].version = "1.0";
    return files;
}

String build_installer(const InstallScript& script, const std::vector<FileRecord>& files,
                       const PayloadOptions& options, BuiltPayload* payload) {
    BuiltPayload built;
    std::string error;
    if (!write_payload(script, files, options, built, error)) {
        ADD_FAILURE() << error;
        return String();
    }
    String image;
    if (!append_payload_section(read_file(stub_under_test().path()), built.section, image, error)) {
        ADD_FAILURE() << error;
        return String();
    }
    if (payload != nullptr)
        *payload = std::move(built);
    return image;
}

bool read_payload_header(const String& image, PayloadSection& section, PayloadHeader& header) {
    if (find_payload_section(image, section) != payload_section_found)
        return false;
    PayloadCursor cursor;
    cursor.view(image.c_str() + section.raw_offset, image.length() - section.raw_offset);
    return check_payload_header(cursor, header) == 0;
}

RunningInstaller::RunningInstaller(const std::string& path, const std::string& switches) {
    std::string command = quote_argument(path);
    if (!switches.empty())
        command += " " + switches;
    process_.start(command);
}

std::string automatic_into(const TempFolder& folder) {
    return "/a /d:\"" + folder.file("installed") + "\"";
}

std::string RunningInstaller::drive(const std::vector<std::string>& commands, unsigned long* exit_code) {
    std::vector<std::string> arguments = {program("ui_driver.exe"), "--timeout",
                                          timeouts::seconds_text(timeouts::box_ms), "--pid",
                                          std::to_string(process_.pid())};
    arguments.insert(arguments.end(), commands.begin(), commands.end());
    RunResult driver = run_process(command_line(arguments), timeouts::program_ms);
    if (exit_code != nullptr)
        *exit_code = driver.exit_code;
    return driver.output;
}

long RunningInstaller::wait_for_exit(unsigned long timeout_ms, std::string* box) {
    if (process_.wait(timeout_ms))
        return static_cast<long>(process_.exit_code());
    std::vector<std::string> arguments = {
        program("ui_driver.exe"),       "--timeout", timeouts::seconds_text(timeouts::box_glance_ms), "--pid",
        std::to_string(process_.pid()), "show"};
    RunResult driver = run_process(command_line(arguments), timeouts::program_ms);
    if (box != nullptr)
        *box = driver.output;
    process_.kill();
    return -1;
}

std::string uninstall_entry_key(const std::string& name) {
    return "HKLM\\" +
           stub_under_test().machine_software_key("Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name);
}

std::string reg_query(const std::string& key, const std::string& value) {
    std::vector<std::string> arguments = {"reg.exe", "query", key};
    if (!value.empty()) {
        arguments.push_back("/v");
        arguments.push_back(value);
    }
    arguments.push_back(stub_under_test().reg_view_switch());
    RunResult result = run_process(command_line(arguments), timeouts::program_ms);
    return result.exit_code == 0 ? result.output : "<missing>";
}

void remove_key(const std::string& key) {
    run_process(command_line({"reg.exe", "delete", key, "/f", stub_under_test().reg_view_switch()}),
                timeouts::program_ms);
}

std::string box_text_line(const std::string& text) {
    return "control id=65535 class=Static text=" + quoted_text(text) + "\n";
}

std::string box_caption_prefix(const std::string& caption) {
    return "dialog caption=" + quoted_text(caption) + " ";
}

#include "builder/build.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "builder/host_file.h"
#include "builder/payload_writer.h"
#include "builder/pe_writer.h"

namespace fs = std::filesystem;

std::string find_stub(const std::string& builder_program) {
    if (const char* env = std::getenv("VARNOOK_STUB"); env && *env)
        return env;
    std::error_code ec;
    fs::path beside = fs::path(builder_program).parent_path() / "varnook.exe";
    if (!builder_program.empty() && fs::is_regular_file(beside, ec))
        return beside.string();
    return "";
}

bool build_installer(const Product& product, const String& stub, BuildResult& result, std::string& error) {
    result = BuildResult();
    BuiltPayload payload;
    if (!write_payload(product.script, product.files, product.payload, payload, error))
        return false;
    String image;
    if (!append_payload_section(stub, payload.section, image, error)) {
        error = "the stub " + product.stub + ": " + error;
        return false;
    }

    fs::path output(product.output);
    fs::path folder = output.parent_path();
    std::vector<std::pair<fs::path, const String*>> outputs = {{output, &image}};
    for (size_t i = 0; i < payload.volumes.size(); ++i)
        outputs.emplace_back(folder / payload.volume_names[i], &payload.volumes[i]);

    std::vector<fs::path> temporaries;
    auto discard = [&temporaries]() {
        std::error_code ec;
        for (const fs::path& t : temporaries)
            fs::remove(t, ec);
    };
    for (const auto& [path, bytes] : outputs) {
        fs::path temporary = path;
        temporary += ".part";
        temporaries.push_back(temporary);
        if (!write_host_file(temporary.string(), bytes->c_str(), static_cast<size_t>(bytes->length()))) {
            error = "cannot write " + temporary.string();
            discard();
            return false;
        }
    }
    for (size_t i = 0; i < outputs.size(); ++i) {
        std::error_code ec;
        fs::rename(temporaries[i], outputs[i].first, ec);
        if (ec) {
            error = "cannot write " + outputs[i].first.string() + ": " + ec.message();
            discard();
            return false;
        }
        result.written.push_back(outputs[i].first.string());
    }
    result.installer_size = image.length();
    result.payload_bytes = payload.section.length();
    for (const String& v : payload.volumes)
        result.payload_bytes += v.length();
    for (const FileRecord& f : product.files)
        result.file_bytes += f.data.length();
    return true;
}

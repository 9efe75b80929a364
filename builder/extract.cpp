#include "builder/extract.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "builder/host_file.h"

namespace fs = std::filesystem;

namespace {

std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool valid(const TimeStamp& t) {
    return t.year >= 1601 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 &&
           t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second < 62;
}

} // namespace

std::string extraction_path(const String& name) {
    std::string path;
    std::string part;
    auto finish_part = [&]() {
        if (part.empty() || part == ".")
            return true;
        if (part == "..")
            return false;
        path += (path.empty() ? "" : "/") + part;
        return true;
    };
    if (name.length() > 0 && (name.char_at(0) == '\\' || name.char_at(0) == '/'))
        return "";
    for (std::int32_t i = 0; i < name.length(); ++i) {
        char c = name.char_at(i);
        if (c == ':')
            return "";
        if (c == '\\' || c == '/') {
            if (!finish_part())
                return "";
            part.clear();
        } else {
            part += c;
        }
    }
    if (part.empty() || !finish_part())
        return "";
    return path;
}

bool extract_files(const std::vector<FileRecord>& files, const std::string& folder,
                   std::vector<std::string>& written, std::string& error) {
    written.clear();
    std::vector<fs::path> paths;
    for (const FileRecord& f : files) {
        std::string relative = extraction_path(f.name);
        if (relative.empty()) {
            error = std::string("the recorded name \"") + f.name.c_str() + "\" would leave " + folder +
                    "; nothing was extracted";
            return false;
        }
        paths.push_back(fs::path(folder) / relative);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        const fs::path& path = paths[i];
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (out)
            out.write(files[i].data.c_str(), files[i].data.length());
        out.close();
        if (!out) {
            error = "cannot write " + path.string();
            return false;
        }
        const TimeStamp& t = files[i].time;
        if (valid(t)) {
            std::int64_t seconds =
                days_from_civil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) *
                    86400 +
                t.hour * 3600 + t.minute * 60 + t.second;
            set_file_modified_seconds(path.string(), seconds);
        }
        written.push_back(path.string());
    }
    return true;
}

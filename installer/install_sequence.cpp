#include "installer/install_sequence.h"

#include "format/language_strings.h"
#include "format/script.h"

std::int64_t required_space(const Vector<std::int32_t>& file_sizes, std::int32_t cluster_size) {
    std::int64_t cluster = cluster_size > 0 ? cluster_size : 1;
    std::int64_t total = 0;
    for (std::int32_t i = 0; i < file_sizes.count(); ++i) {
        std::int64_t size = *file_sizes.element(i);
        total += (size + cluster - 1) / cluster * cluster;
    }
    return total;
}

int file_bar_position(std::int32_t index, std::int32_t count) {
    if (count <= 0)
        return 45;
    return static_cast<int>(static_cast<std::int64_t>(index) * 40 / count + 45);
}

std::int32_t existing_installation_text(bool compare, const String& installed_version,
                                        const String& new_version) {
    if (!compare || is_blank(installed_version) || is_blank(new_version))
        return string_existing_installed;
    std::int32_t order = compare_versions(installed_version.c_str(), new_version.c_str());
    if (order == 0)
        return string_existing_same_version;
    return order < 0 ? string_existing_older_version : string_existing_newer_version;
}

#include "installer/deletions.h"

#include "core/datetime.h"

bool deletion_condition_holds(const FileDeletion& deletion, const TimeStamp& written, std::int64_t size,
                              bool& date_is_bad) {
    date_is_bad = false;
    // The byte is signed: 128 to 255 are negative and, like 0, always delete.
    int condition = static_cast<signed char>(deletion.condition);
    if (condition >= 1 && condition <= 3) {
        DateTime value;
        bool has_time = value.parse(deletion.value.c_str());
        if (!value.date().is_valid()) {
            date_is_bad = true;
            return false;
        }
        DateTime file(written);
        int32_t order = has_time ? file.compare(value) : file.date().compare(value.date());
        if (condition == 1)
            return order == 0;
        if (condition == 2)
            return order >= 0;
        return order <= 0;
    }
    if (condition >= 4 && condition <= 6) {
        std::int64_t limit = deletion.value.to_int(); // sign-extended
        if (condition == 4)
            return size == limit;
        if (condition == 5)
            return size >= limit;
        return size <= limit;
    }
    return true;
}

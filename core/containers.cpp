#include "core/containers.h"

#include <cstdlib>

int32_t random31() {
    uint32_t first = static_cast<uint32_t>(std::rand());
    uint32_t second = static_cast<uint32_t>(std::rand());
    return static_cast<int32_t>((first * 65536u + second) & 0x7FFFFFFFu);
}

int32_t random_below(int32_t n) {
    if (n == 0x7FFFFFFF)
        return random31();
    if (n < 2)
        return 0;
    return random31() % n;
}

int32_t vector_capacity(int32_t n) {
    // Growth by half stops paying once it means more than 2048 idle slots.
    constexpr int64_t growth_cap = 2048;
    int64_t count = n;
    if (3 * count < 14)
        return 6;
    int64_t capacity = count * 3 / 2;
    if (capacity > growth_cap)
        capacity = count + growth_cap;
    return capacity > INT32_MAX ? INT32_MAX : static_cast<int32_t>(capacity);
}

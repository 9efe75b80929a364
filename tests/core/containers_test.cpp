#include "core/containers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/support/fatal_capture.h"

// An element type the containers must own (it is not trivially copyable) and
// that counts its lives, so that every creation can be matched to exactly one
// destruction.
struct Counted {
    static int live;
    static int made;
    static int destroyed;

    Counted() { created(); }
    Counted(int v) : value(v) { created(); }
    Counted(const Counted& other) : value(other.value) { created(); }
    Counted(Counted&& other) noexcept : value(other.value) { created(); }
    Counted& operator=(const Counted&) = default;
    Counted& operator=(Counted&&) = default;
    ~Counted() {
        --live;
        ++destroyed;
    }

    static void reset_counts() { live = made = destroyed = 0; }
    void created() {
        ++live;
        ++made;
    }

    int value = 0;
};

int Counted::live = 0;
int Counted::made = 0;
int Counted::destroyed = 0;

namespace {

static_assert(Vector<Counted>::owns_elements && Vector<String>::owns_elements && !Vector<int>::owns_elements,
              "class types are owned, plain values inline");

int number(int value) {
    return value;
}
int number(const Counted& element) {
    return element.value;
}

// The elements of any container, walked first to last through the common interface.
template <typename T>
std::vector<int> contents(Container<T>& container) {
    std::vector<int> numbers;
    Iterator iterator;
    container.begin_forward(iterator);
    while (T* element = container.next(iterator))
        numbers.push_back(number(*element));
    return numbers;
}

template <typename T>
std::vector<int> contents_backward(Container<T>& container) {
    std::vector<int> numbers;
    Iterator iterator;
    container.begin_backward(iterator);
    while (T* element = container.previous(iterator))
        numbers.push_back(number(*element));
    return numbers;
}

std::vector<int> sequence(int first, int n) {
    std::vector<int> numbers(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        numbers[static_cast<size_t>(i)] = first + i;
    return numbers;
}

template <typename C>
void fill(C& container, int n) {
    for (int i = 0; i < n; ++i)
        container.add(i);
}

// The array bookkeeping holds: elements inside the array, and plain elements
// one slot apart.
template <typename T>
void expect_sound(const Vector<T>& vector) {
    EXPECT_GE(vector.front_offset(), 0);
    EXPECT_LE(vector.front_offset() + vector.count(), vector.capacity());
    if (!Vector<T>::owns_elements && vector.count() > 1) {
        EXPECT_EQ(vector.element(vector.count() - 1) - vector.element(0), vector.count() - 1);
    }
}

class CountedTest : public testing::Test {
  protected:
    void SetUp() override { Counted::reset_counts(); }
    void TearDown() override {
        EXPECT_EQ(Counted::live, 0);
        EXPECT_EQ(Counted::made, Counted::destroyed);
    }
};

// --- Vector: array layout

TEST(Vector, CapacityRule) {
    struct Case {
        int32_t n;
        int32_t capacity;
    };
    const Case cases[] = {{0, 6},       {1, 6},       {4, 6},
                          {5, 7},       {100, 150},   {1365, 2047},
                          {1366, 3414}, {2000, 4048}, {INT32_MAX, INT32_MAX}};
    for (const Case& c : cases)
        EXPECT_EQ(vector_capacity(c.n), c.capacity) << "n = " << c.n;
}

TEST(Vector, FirstElementGoesToSlotOneOfSix) {
    Vector<int> values;
    values.add(7);
    EXPECT_EQ(values.capacity(), 6);
    EXPECT_EQ(values.front_offset(), 1);

    Vector<String> texts;
    texts.add_first("x");
    EXPECT_EQ(texts.capacity(), 6);
    EXPECT_EQ(texts.front_offset(), 1);
}

TEST(Vector, SetCountOnEmptyVector) {
    Vector<int> hundred;
    hundred.set_count(100);
    EXPECT_EQ(hundred.count(), 100);
    EXPECT_EQ(hundred.capacity(), 150);
    EXPECT_EQ(hundred.front_offset(), 0);

    Vector<int> thousands;
    thousands.set_count(2000);
    EXPECT_EQ(thousands.capacity(), 4048);
}

TEST(Vector, SetCountKeepsElementsAndGivesBackFarOversizedArrays) {
    Vector<int> values;
    values.set_count(10000); // capacity 12048
    for (int i = 0; i < values.count(); ++i)
        values.at(i) = i;

    values.set_count(9000); // 12048 - 11048 idle slots is no reason to move
    EXPECT_EQ(values.capacity(), 12048);
    values.set_count(7953); // the rule gives 10001: 2047 idle slots stay
    EXPECT_EQ(values.capacity(), 12048);
    values.set_count(7952); // the rule gives 10000: 2048 would lie idle
    EXPECT_EQ(values.capacity(), 10000);
    EXPECT_EQ(values.front_offset(), (10000 - 7952) / 4);
    EXPECT_EQ(*values.last(), 7951);

    values.set_count(100); // would leave more than 2047 slots idle
    EXPECT_EQ(values.capacity(), 150);
    EXPECT_EQ(values.front_offset(), (150 - 100) / 4);
    EXPECT_EQ(contents(values), sequence(0, 100));

    values.set_count(120); // grows in place; the added values are the caller's to fill
    EXPECT_EQ(values.capacity(), 150);
    values.keep_first(100);
    EXPECT_EQ(contents(values), sequence(0, 100));
    expect_sound(values);

    values.set_count(-3);
    EXPECT_EQ(values.count(), 0);
    EXPECT_EQ(values.capacity(), 0);
}

TEST(Vector, SetCountMovesElementsThatWouldPassTheEnd) {
    Vector<int> values;
    values.set_count(20); // capacity 30
    for (int i = 0; i < 20; ++i)
        values.at(i) = i;
    values.remove_first_n(15); // front offset 15, 5 elements
    ASSERT_EQ(values.front_offset(), 15);
    values.set_count(25); // 15 + 25 would pass 30
    EXPECT_EQ(values.front_offset(), (30 - 25) / 4);
    values.keep_first(5);
    EXPECT_EQ(contents(values), sequence(15, 5));
}

TEST_F(CountedTest, VectorSetCountCreatesAndDestroysOwnedElements) {
    Vector<Counted> owned;
    owned.set_count(5);
    EXPECT_EQ(Counted::live, 5);
    owned.at(1).value = 11;
    owned.set_count(2);
    EXPECT_EQ(Counted::live, 2);
    EXPECT_EQ(owned.at(1).value, 11);
    owned.set_count(3000); // far shrink below follows
    owned.set_count(4);
    EXPECT_EQ(Counted::live, 4);
    EXPECT_EQ(owned.at(1).value, 11);
    EXPECT_EQ(owned.capacity(), 6);
}

TEST(Vector, SetCountFreshSizesWithoutKeeping) {
    Vector<int> values;
    values.set_count_fresh(10); // no room: max(6, 2n), a quarter in front
    EXPECT_EQ(values.capacity(), 20);
    EXPECT_EQ(values.front_offset(), 5);
    values.set_count_fresh(4); // room: centred
    EXPECT_EQ(values.capacity(), 20);
    EXPECT_EQ(values.front_offset(), 8);
    values.set_count_fresh(0);
    EXPECT_EQ(values.capacity(), 0);

    values.set_count_fresh(2);
    EXPECT_EQ(values.capacity(), 6);
    EXPECT_EQ(values.front_offset(), 1);
    expect_sound(values);
}

TEST_F(CountedTest, VectorSetCountFreshReplacesOwnedElements) {
    Vector<Counted> owned;
    fill(owned, 3);
    owned.set_count_fresh(7);
    EXPECT_EQ(Counted::live, 7);
    EXPECT_EQ(contents(owned), std::vector<int>(7, 0));
}

// Insertion and removal follow std::vector for any index, including negative
// and past-the-end ones (which mean the start and the end).
template <typename T>
void check_random_edits_against_reference() {
    std::mt19937 random(12345);
    Vector<T> vector;
    std::vector<int> reference;
    for (int step = 0; step < 2000; ++step) {
        int count = static_cast<int>(reference.size());
        int i = static_cast<int>(random() % static_cast<unsigned>(count + 7)) - 3;
        int clamped = std::min(std::max(i, 0), count);
        int value = step;
        switch (random() % 6) {
        case 0:
            vector.insert(i, T(value));
            reference.insert(reference.begin() + clamped, value);
            break;
        case 1: {
            T& slot = vector.insert_slot(i);
            EXPECT_EQ(number(slot), 0);
            slot = T(value);
            reference.insert(reference.begin() + clamped, value);
            break;
        }
        case 2: {
            T copied(value);
            vector.insert_copy(i, &copied);
            reference.insert(reference.begin() + clamped, value);
            break;
        }
        case 3:
            if (random() % 2) {
                vector.add(T(value));
                reference.push_back(value);
            } else {
                vector.add_first(T(value));
                reference.insert(reference.begin(), value);
            }
            break;
        default: { // removal of a range, clamped to the elements there are
            int last = i + static_cast<int>(random() % 4) - 1;
            int from = std::max(i, 0);
            int to = std::min(last, count - 1);
            bool removed = vector.remove_range(i, last);
            EXPECT_EQ(removed, from <= to);
            if (from <= to)
                reference.erase(reference.begin() + from, reference.begin() + to + 1);
            break;
        }
        }
        ASSERT_EQ(contents(vector), reference) << "step " << step;
        expect_sound(vector);
    }
}

TEST(Vector, EditsMatchReference) {
    check_random_edits_against_reference<int>();
}

TEST_F(CountedTest, VectorOwnedEditsMatchReference) {
    check_random_edits_against_reference<Counted>();
}

TEST(Vector, InsertSlotAtTheEnds) {
    struct Case {
        const char* name;
        int32_t start_count;
        int32_t removed_in_front;
        int32_t appended;
        int32_t index;
        int32_t front_after;
        int32_t capacity_after;
    };
    // set_count (10) gives capacity 15 with front 0; set_count (4) and two more
    // make a full array of 6.
    const Case cases[] = {
        // front 0: everything moves up behind a new front (15 - 10 - 1) / 4
        {"start, no room in front", 10, 0, 0, 0, 1, 15},
        {"start, room in front", 10, 3, 0, 0, 2, 15},
        // front 5 + 10 elements fill 15 slots: down to ((15 - 10) / 4) / 2, no growth
        {"end, no room behind", 10, 5, 5, 10, 0, 15},
        // front 3, 7 elements: before the middle the ones in front move down,
        // from the middle on the ones behind move up
        {"early middle", 10, 3, 0, 2, 2, 15},
        {"middle", 10, 3, 0, 3, 3, 15},
        {"start, full", 4, 0, 2, 0, 0, 10},
        {"middle, full", 4, 0, 2, 3, 0, 10},
        {"end, full", 4, 0, 2, 6, 0, 10},
    };
    for (const Case& c : cases) {
        Vector<int> values;
        values.set_count(c.start_count);
        for (int i = 0; i < c.start_count; ++i)
            values.at(i) = i;
        values.remove_first_n(c.removed_in_front);
        for (int i = 0; i < c.appended; ++i)
            values.add(c.start_count + i);
        std::vector<int> reference = contents(values);
        values.insert_slot(c.index) = -1;
        reference.insert(reference.begin() + c.index, -1);
        EXPECT_EQ(contents(values), reference) << c.name;
        EXPECT_EQ(values.front_offset(), c.front_after) << c.name;
        EXPECT_EQ(values.capacity(), c.capacity_after) << c.name;
    }
}

TEST(Vector, InsertingAnElementOfItsOwnIsSafe) {
    Vector<int> values;
    fill(values, 6); // full: the next insertion reallocates
    ASSERT_EQ(values.count(), values.capacity());
    values.insert(0, values.at(5));
    values.add_copy(values.element(1));
    EXPECT_EQ(contents(values), (std::vector<int>{5, 0, 1, 2, 3, 4, 5, 0}));

    Vector<String> texts;
    for (const char* text : {"a", "b", "c", "d", "e", "f"})
        texts.add(text);
    texts.insert(3, texts.at(5));
    texts.add_first_copy(texts.last());
    EXPECT_STREQ(texts.at(0).c_str(), "f");
    EXPECT_STREQ(texts.at(4).c_str(), "f");
}

TEST(Vector, OwnedElementsStayWhereTheyAre) {
    Vector<String> texts;
    texts.add("kept");
    String* kept = texts.first();
    for (int i = 0; i < 50; ++i)
        texts.insert(i % 3 == 0 ? 0 : texts.count() / 2, "other");
    texts.rotate_forward(7);
    texts.remove_range(0, 5);
    bool found = false;
    for (int i = 0; i < texts.count(); ++i)
        found = found || texts.element(i) == kept;
    EXPECT_TRUE(found);
    EXPECT_STREQ(kept->c_str(), "kept");
}

TEST(Vector, RemoveRangeMovesTheFewerElements) {
    struct Case {
        int32_t first;
        int32_t last;
        int32_t front_shift;   // how far the front offset moves
        int32_t unmoved_first; // elements (old indices) that keep their slot
        int32_t unmoved_end;
    };
    const Case cases[] = {
        {0, 2, 3, 3, 10}, // at the start: only the front offset advances
        {7, 9, 0, 0, 7},  // at the end: only the count drops
        {1, 2, 2, 3, 10}, // one before, seven after: the one before moves up
        {6, 7, 0, 0, 6},  // six before, two after: the two after move down
        {3, 5, 3, 6, 10}, // three before, four after: the ones before move
        {4, 5, 2, 6, 10}, // four on each side: the ones before move
    };
    for (const Case& c : cases) {
        Vector<int> values;
        values.set_count(10);
        for (int i = 0; i < 10; ++i)
            values.at(i) = i;
        std::vector<const int*> slots;
        for (int i = 0; i < 10; ++i)
            slots.push_back(values.element(i));
        int32_t front = values.front_offset();

        ASSERT_TRUE(values.remove_range(c.first, c.last));
        EXPECT_EQ(values.front_offset(), front + c.front_shift) << c.first << ".." << c.last;
        for (int old = c.unmoved_first; old < c.unmoved_end; ++old) {
            int now = old < c.first ? old : old - (c.last - c.first + 1);
            EXPECT_EQ(values.element(now), slots[static_cast<size_t>(old)]) << "element " << old;
        }
        std::vector<int> reference = sequence(0, 10);
        reference.erase(reference.begin() + c.first, reference.begin() + c.last + 1);
        EXPECT_EQ(contents(values), reference);
    }
}

TEST(Vector, RemoveRangeClampsAndRefusesEmptyRanges) {
    struct Case {
        int32_t first;
        int32_t last;
        bool removed;
        std::vector<int> left;
    };
    const Case cases[] = {
        {-5, 1, true, {2, 3, 4}},       {3, 1000, true, {0, 1, 2}},     {INT32_MIN, INT32_MAX, true, {}},
        {3, 2, false, {0, 1, 2, 3, 4}}, {5, 9, false, {0, 1, 2, 3, 4}}, {-9, -1, false, {0, 1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        Vector<int> values;
        fill(values, 5);
        EXPECT_EQ(values.remove_range(c.first, c.last), c.removed) << c.first << ".." << c.last;
        EXPECT_EQ(contents(values), c.left);
    }
    Vector<int> values;
    fill(values, 5);
    values.remove_range(0, 4); // everything: the storage goes too
    EXPECT_EQ(values.capacity(), 0);
    EXPECT_FALSE(values.remove_at(0));
}

TEST(Vector, AtOutOfRangeIsFatalElementIsNot) {
    Vector<String> texts;
    texts.add("a");
    texts.add("b");
    texts.add("c");
    EXPECT_EQ(fatal_text([&] { texts.at(5); }), "Vector<String>[5]\nmax_index = 2");
    EXPECT_EQ(texts.element(5), nullptr);
    EXPECT_STREQ(texts.at(2).c_str(), "c");

    Vector<int> values;
    fill(values, 3);
    const Vector<int>& constant = values;
    struct Case {
        int32_t index;
        const char* message;
    };
    const Case cases[] = {{-1, "Vector<int>[-1]\nmax_index = 2"},
                          {3, "Vector<int>[3]\nmax_index = 2"},
                          {INT32_MAX, "Vector<int>[2147483647]\nmax_index = 2"},
                          {INT32_MIN, "Vector<int>[-2147483648]\nmax_index = 2"}};
    for (const Case& c : cases) {
        EXPECT_EQ(fatal_text([&] { values.at(c.index); }), c.message);
        EXPECT_EQ(fatal_text([&] { constant.at_const(c.index); }), c.message);
        EXPECT_EQ(fatal_text([&] { values.check_index(c.index); }), c.message);
        EXPECT_EQ(values.element(c.index), nullptr);
        EXPECT_EQ(values.at_ref(c.index), nullptr);
    }
    Vector<int> empty;
    EXPECT_EQ(fatal_text([&] { empty.at(0); }), "Vector<int>[0]\nmax_index = -1");
    EXPECT_EQ(empty.first(), nullptr);
    EXPECT_EQ(empty.last(), nullptr);

    Vector<Array> arrays;
    EXPECT_EQ(fatal_text([&] { arrays.at(1); }), "Vector<Array>[1]\nmax_index = -1");
}

// --- rotation, for both kinds of storage

struct RotationCase {
    int32_t n;
    bool forward;
};

const RotationCase rotation_cases[] = {
    {0, true},  {1, true},   {2, true},         {4, true},         {5, true},          {12, true},
    {-2, true}, {-7, true},  {INT32_MAX, true}, {INT32_MIN, true}, {1, false},         {2, false},
    {4, false}, {12, false}, {-2, false},       {0, false},        {INT32_MAX, false}, {INT32_MIN, false},
};

std::vector<int> rotated(std::vector<int> numbers, int32_t n, bool forward) {
    int64_t count = static_cast<int64_t>(numbers.size());
    int64_t shift = forward ? n : -static_cast<int64_t>(n);
    int64_t k = ((shift % count) + count) % count;
    std::rotate(numbers.begin(), numbers.begin() + k, numbers.end());
    return numbers;
}

template <typename C>
void rotate(C& container, const RotationCase& c) {
    if (c.forward)
        container.rotate_forward(c.n);
    else
        container.rotate_backward(c.n);
}

// Three layouts: no spare room at either end after growth by adding, room behind,
// room in front.
template <typename T>
void make_rotation_layout(Vector<T>& vector, int layout) {
    if (layout == 0) {
        fill(vector, 5); // capacity 6, front 1: no room for more than one behind
        return;
    }
    fill(vector, 20);
    if (layout == 1)
        vector.keep_first(5);
    else
        vector.keep_last(5);
}

template <typename T>
void check_vector_rotations() {
    for (int layout = 0; layout < 3; ++layout) {
        for (const RotationCase& c : rotation_cases) {
            Vector<T> vector;
            make_rotation_layout(vector, layout);
            std::vector<int> expected = rotated(contents(vector), c.n, c.forward);
            int made = Counted::made;
            rotate(vector, c);
            EXPECT_EQ(contents(vector), expected)
                << "layout " << layout << (c.forward ? " forward " : " backward ") << c.n;
            EXPECT_EQ(Counted::made, made) << "rotation moves elements, it does not copy them";
            expect_sound(vector);
        }
    }
}

TEST(Vector, RotationsMatchReference) {
    check_vector_rotations<int>();
}

TEST_F(CountedTest, VectorOwnedRotationsMatchReference) {
    check_vector_rotations<Counted>();
}

TEST(Vector, RotationWithoutRoomTakesAFreshArray) {
    Vector<int> values;
    fill(values, 5);
    values.rotate_forward(2);
    EXPECT_EQ(values.capacity(), vector_capacity(5));
    EXPECT_EQ(values.front_offset(), (7 - 5) / 4);

    Vector<int> exact;
    exact.set_count(4); // capacity 6, front 0: room for exactly two behind
    for (int i = 0; i < 4; ++i)
        exact.at(i) = i;
    exact.rotate_forward(2);
    EXPECT_EQ(exact.front_offset(), 2);
    EXPECT_EQ(exact.capacity(), 6);
    exact.rotate_backward(2); // room for exactly two in front
    EXPECT_EQ(exact.front_offset(), 0);
    EXPECT_EQ(exact.capacity(), 6);
    EXPECT_EQ(contents(exact), sequence(0, 4));

    Vector<int> roomy;
    fill(roomy, 20);
    roomy.keep_first(5);
    int32_t front = roomy.front_offset();
    roomy.rotate_forward(2); // copies the first two behind the last
    EXPECT_EQ(roomy.front_offset(), front + 2);
    roomy.rotate_backward(2);
    EXPECT_EQ(roomy.front_offset(), front);
    EXPECT_EQ(contents(roomy), sequence(0, 5));
}

TEST(List, RotationsMatchReference) {
    for (const RotationCase& c : rotation_cases) {
        List<int> list;
        fill(list, 5);
        rotate(list, c);
        EXPECT_EQ(contents(list), rotated(sequence(0, 5), c.n, c.forward))
            << (c.forward ? "forward " : "backward ") << c.n;
        EXPECT_EQ(contents_backward(list), [&] {
            std::vector<int> reversed = rotated(sequence(0, 5), c.n, c.forward);
            std::reverse(reversed.begin(), reversed.end());
            return reversed;
        }());
    }
    List<int> single;
    single.add(1);
    single.rotate_forward(3);
    EXPECT_EQ(contents(single), std::vector<int>{1});
}

// --- Vector: the other array operations

TEST(Vector, MoveToAndMoveFrom) {
    struct Case {
        int32_t from;
        int32_t to;
        bool moves;
    };
    const Case cases[] = {{0, 5, true},  {1, 3, true},   {4, 5, true}, {3, 3, false},
                          {4, 1, false}, {-1, 2, false}, {2, 6, false}};
    for (const Case& c : cases) {
        Vector<String> texts;
        for (int i = 0; i < 6; ++i)
            texts.add(String(std::to_string(i).c_str()));
        auto numbers = [&] {
            std::vector<int> result;
            for (int i = 0; i < texts.count(); ++i)
                result.push_back(std::atoi(texts.at(i).c_str()));
            return result;
        };
        std::vector<int> expected = sequence(0, 6);
        if (c.moves)
            std::rotate(expected.begin() + c.from, expected.begin() + c.from + 1,
                        expected.begin() + c.to + 1);
        EXPECT_EQ(texts.move_to(c.from, c.to), c.moves);
        EXPECT_EQ(numbers(), expected) << "move_to " << c.from << " " << c.to;

        expected = numbers();
        if (c.moves)
            std::rotate(expected.begin() + c.from, expected.begin() + c.to, expected.begin() + c.to + 1);
        EXPECT_EQ(texts.move_from(c.from, c.to), c.moves);
        EXPECT_EQ(numbers(), expected) << "move_from " << c.from << " " << c.to;
    }
}

TEST(Vector, TakeAtGivesTheValueAndRemovesIt) {
    Vector<int> values;
    fill(values, 4);
    EXPECT_EQ(values.take_at(1), 1);
    EXPECT_EQ(values.take_at(7), 0);
    EXPECT_EQ(values.take_at(-1), 0);
    Position position = 2;
    EXPECT_EQ(values.take_at_ref(position), 3);
    EXPECT_EQ(position, no_position);
    EXPECT_EQ(values.take_at_ref(position), 0);
    EXPECT_EQ(contents(values), (std::vector<int>{0, 2}));

    Vector<String> texts;
    texts.add("first");
    texts.add("second");
    String taken = texts.take_at(0);
    EXPECT_STREQ(taken.c_str(), "first");
    EXPECT_TRUE(texts.take_at(5).is_empty());
    EXPECT_EQ(texts.count(), 1);
}

TEST(Vector, SortAndSwap) {
    Vector<int> values;
    for (int value : {5, -3, 9, 0, 2})
        values.add(value);
    values.sort([](const void* a, const void* b) {
        int x = *static_cast<const int*>(a);
        int y = *static_cast<const int*>(b);
        return (x > y) - (x < y);
    });
    EXPECT_EQ(contents(values), (std::vector<int>{-3, 0, 2, 5, 9}));
    EXPECT_TRUE(values.swap(0, 4));
    EXPECT_FALSE(values.swap(0, 5));
    EXPECT_FALSE(values.swap(-1, 0));
    EXPECT_EQ(contents(values), (std::vector<int>{9, 0, 2, 5, -3}));

    Vector<String> texts;
    for (const char* text : {"pear", "apple", "fig"})
        texts.add(text);
    texts.sort([](const void* a, const void* b) { // slots of owned elements are pointers
        return std::strcmp((*static_cast<String* const*>(a))->c_str(),
                           (*static_cast<String* const*>(b))->c_str());
    });
    EXPECT_STREQ(texts.at(0).c_str(), "apple");
    EXPECT_STREQ(texts.at(2).c_str(), "pear");
}

TEST(Vector, CopiesAreDeepAndSizedToTheirCount) {
    Vector<String> texts;
    for (int i = 0; i < 10; ++i)
        texts.add("t");
    Vector<String> copy(texts);
    EXPECT_EQ(copy.capacity(), 15);
    EXPECT_EQ(copy.front_offset(), 2);
    copy.at(0) = "changed";
    EXPECT_STREQ(texts.at(0).c_str(), "t");

    Array names;
    names.add("one");
    Vector<Array> tables;
    tables.add(names);
    tables.add_copy(&names);
    tables.at(0).at(0) = "two";
    Vector<Array> tables_copy = tables;
    tables_copy.at(1).add("three");
    EXPECT_STREQ(names.at(0).c_str(), "one");
    EXPECT_STREQ(tables.at(0).at(0).c_str(), "two");
    EXPECT_EQ(tables.at(1).count(), 1);
    EXPECT_EQ(tables_copy.at(1).count(), 2);

    Vector<String> moved(std::move(copy));
    EXPECT_EQ(moved.count(), 10);
    EXPECT_EQ(copy.count(), 0);
    EXPECT_EQ(copy.capacity(), 0);
}

// --- walking, for every container

template <typename C>
void check_walks(C& container) {
    Iterator iterator;
    EXPECT_FALSE(container.begin_forward(iterator));
    EXPECT_EQ(container.next(iterator), nullptr);
    EXPECT_FALSE(container.begin_backward(iterator));
    EXPECT_EQ(container.previous(iterator), nullptr);
    EXPECT_EQ(container.first_with(iterator), nullptr);

    // Neighbours removed one after the other: none may be skipped.
    fill(container, 10);
    ASSERT_TRUE(container.begin_forward(iterator));
    while (auto* element = container.next(iterator)) {
        if (number(*element) % 3 != 0) {
            EXPECT_TRUE(container.remove_current(iterator));
        }
    }
    EXPECT_FALSE(container.remove_current(iterator));
    EXPECT_EQ(contents(container), (std::vector<int>{0, 3, 6, 9}));
    EXPECT_EQ(contents_backward(container), (std::vector<int>{9, 6, 3, 0}));

    // Removing while walking backward continues with the element before.
    container.begin_backward(iterator);
    while (auto* element = container.previous(iterator)) {
        if (number(*element) >= 6) {
            EXPECT_TRUE(container.remove_current(iterator));
        }
    }
    EXPECT_EQ(contents(container), (std::vector<int>{0, 3}));
    container.add(7);
    container.add_first(1);
    container.remove_first();

    EXPECT_EQ(number(*container.first_with(iterator)), 0);
    EXPECT_EQ(number(*container.at_next(iterator)), 3);
    EXPECT_EQ(container.at_previous(iterator), nullptr);
    EXPECT_EQ(number(*container.at_ref(iterator.current)), 0);
    EXPECT_EQ(number(*container.last_with(iterator)), 7);
    EXPECT_EQ(number(*container.at_previous(iterator)), 3);
    // Past the end and back again.
    EXPECT_EQ(container.next(iterator), nullptr);
    EXPECT_EQ(container.next(iterator), nullptr);
    ASSERT_NE(container.previous(iterator), nullptr);
    EXPECT_EQ(number(*container.at_ref(iterator.current)), 7);

    Position position = iterator.current;
    EXPECT_EQ(number(container.take_at_ref(position)), 7);
    EXPECT_EQ(position, no_position);
    EXPECT_EQ(container.at_ref(position), nullptr);
    EXPECT_EQ(contents(container), (std::vector<int>{0, 3}));
}

TEST(Vector, Walks) {
    Vector<int> values;
    check_walks(values);
}

TEST_F(CountedTest, VectorOwnedWalks) {
    Vector<Counted> owned;
    check_walks(owned);
}

TEST(List, Walks) {
    List<int> values;
    check_walks(values);
}

TEST_F(CountedTest, ListOwnedWalks) {
    List<Counted> owned;
    check_walks(owned);
}

// --- the operations the common base supplies

template <typename C>
void check_end_removals() {
    struct Case {
        const char* operation;
        int32_t n;
        int32_t removed;
        std::vector<int> left;
    };
    const Case cases[] = {
        {"remove_first_n", 2, 2, {2, 3, 4}},
        {"remove_first_n", 9, 5, {}},
        {"remove_first_n", -1, 0, {0, 1, 2, 3, 4}},
        {"remove_last_n", 2, 2, {0, 1, 2}},
        {"remove_last_n", INT32_MAX, 5, {}},
        {"remove_last_n", INT32_MIN, 0, {0, 1, 2, 3, 4}},
        {"keep_first", 2, 3, {0, 1}},
        {"keep_first", 5, 0, {0, 1, 2, 3, 4}},
        {"keep_first", 9, 0, {0, 1, 2, 3, 4}},
        {"keep_first", INT32_MIN, 5, {}},
        {"keep_last", 2, 3, {3, 4}},
        {"keep_last", 0, 5, {}},
        {"keep_last", INT32_MAX, 0, {0, 1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        C container;
        fill(container, 5);
        std::string operation = c.operation;
        int32_t removed = operation == "remove_first_n"  ? container.remove_first_n(c.n)
                          : operation == "remove_last_n" ? container.remove_last_n(c.n)
                          : operation == "keep_first"    ? container.keep_first(c.n)
                                                         : container.keep_last(c.n);
        EXPECT_EQ(removed, c.removed) << c.operation << " " << c.n;
        EXPECT_EQ(contents(container), c.left) << c.operation << " " << c.n;
    }
    C container;
    EXPECT_FALSE(container.remove_first());
    EXPECT_FALSE(container.remove_last());
}

TEST(Vector, RemovalsAtTheEnds) {
    check_end_removals<Vector<int>>();
}

TEST(List, RemovalsAtTheEnds) {
    check_end_removals<List<int>>();
}

template <typename C>
void check_add_all() {
    C front;
    fill(front, 3);
    C back;
    back.add(10);
    back.add(11);

    back.add_all_first(front);
    EXPECT_EQ(contents(back), (std::vector<int>{0, 1, 2, 10, 11}));
    back.add_all(front);
    EXPECT_EQ(contents(back), (std::vector<int>{0, 1, 2, 10, 11, 0, 1, 2}));

    // A container given itself doubles its elements.
    front.add_all(front);
    EXPECT_EQ(contents(front), (std::vector<int>{0, 1, 2, 0, 1, 2}));
    C twice;
    fill(twice, 3);
    twice.add_all_first(twice);
    EXPECT_EQ(contents(twice), (std::vector<int>{0, 1, 2, 0, 1, 2}));

    // Null copies are default elements.
    twice.add_copy(nullptr);
    twice.add_first_copy(nullptr);
    EXPECT_EQ(number(*twice.first()), 0);
    EXPECT_EQ(number(*twice.last()), 0);
    EXPECT_EQ(twice.count(), 8);
}

TEST(Vector, AddAll) {
    check_add_all<Vector<int>>();
}

TEST_F(CountedTest, VectorOwnedAddAll) {
    check_add_all<Vector<Counted>>();
}

TEST(List, AddAll) {
    check_add_all<List<int>>();
}

TEST_F(CountedTest, ListOwnedAddAll) {
    check_add_all<List<Counted>>();
}

TEST(Vector, RandomBelowCombinesTwoRandCalls) {
    for (int32_t n : {0x7FFFFFFF, 1000, 7, 2, 1, 0, -5}) {
        std::srand(42);
        uint32_t first = static_cast<uint32_t>(std::rand());
        uint32_t second = static_cast<uint32_t>(std::rand());
        int32_t raw = static_cast<int32_t>((first * 65536u + second) & 0x7FFFFFFFu);
        int32_t expected = n == 0x7FFFFFFF ? raw : n < 2 ? 0 : raw % n;
        std::srand(42);
        EXPECT_EQ(random_below(n), expected) << "n = " << n;
    }
}

template <typename C>
void check_random_elements() {
    C container;
    EXPECT_EQ(container.random_element(), nullptr);
    container.add(7);
    EXPECT_EQ(container.random_element(), container.first());
    container.remove_first();
    fill(container, 5);
    std::srand(1);
    std::vector<int> seen(5, 0);
    for (int i = 0; i < 500; ++i) {
        auto* element = container.random_element();
        ASSERT_NE(element, nullptr);
        ++seen[static_cast<size_t>(number(*element))];
    }
    for (int times : seen)
        EXPECT_GT(times, 50);
}

TEST(Vector, RandomElementReachesEveryElement) {
    check_random_elements<Vector<int>>();
}

TEST(List, RandomElementReachesEveryElement) {
    check_random_elements<List<int>>();
}

// --- owned elements live exactly as long as they are held

TEST_F(CountedTest, VectorOwnedElementsAreDestroyedExactlyOnce) {
    Vector<Counted> owned;
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"add", [&] { fill(owned, 12); }},
        {"insert", [&] { owned.insert(5, Counted(50)); }},
        {"insert_slot", [&] { owned.insert_slot(0); }},
        {"remove_range", [&] { owned.remove_range(3, 6); }},
        {"take_at", [&] { EXPECT_EQ(owned.take_at(2).value, 1); }},
        {"pop by take_at_ref",
         [&] {
             Position position = 0;
             owned.take_at_ref(position);
         }},
        {"set_count up", [&] { owned.set_count(40); }},
        {"set_count down", [&] { owned.set_count(9); }},
        {"rotate",
         [&] {
             owned.rotate_forward(4);
             owned.rotate_backward(11);
         }},
        {"move and swap",
         [&] {
             owned.move_to(0, 8);
             owned.move_from(1, 7);
             owned.swap(2, 3);
         }},
        {"copy",
         [&] {
             Vector<Counted> copy(owned);
             copy.add(1);
             Vector<Counted>& same = owned;
             owned = same;
             owned = copy;
         }},
        {"move",
         [&] {
             Vector<Counted> moved(std::move(owned));
             owned = std::move(moved);
         }},
        {"add_all self",
         [&] {
             owned.add_all(owned);
             owned.add_all_first(owned);
         }},
        {"keep",
         [&] {
             owned.keep_first(30);
             owned.keep_last(20);
             owned.remove_first_n(3);
             owned.remove_last_n(3);
         }},
        {"set_count_fresh", [&] { owned.set_count_fresh(6); }},
        {"clear", [&] { owned.clear(); }},
        {"again", [&] { fill(owned, 3); }},
    };
    for (const auto& step : steps) {
        step.second();
        EXPECT_EQ(Counted::live, owned.count()) << step.first;
        expect_sound(owned);
    }
}

TEST_F(CountedTest, ListOwnedElementsAreDestroyedExactlyOnce) {
    List<Counted> owned;
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"add", [&] { fill(owned, 8); }},
        {"add_first", [&] { owned.add_first(Counted(-1)); }},
        {"take_at_ref",
         [&] {
             Iterator iterator;
             owned.first_with(iterator);
             owned.next(iterator);
             EXPECT_EQ(owned.take_at_ref(iterator.current).value, 0);
         }},
        {"rotate", [&] { owned.rotate_backward(3); }},
        {"copy",
         [&] {
             List<Counted> copy(owned);
             copy.add(1);
             owned = copy;
         }},
        {"move",
         [&] {
             List<Counted> moved(std::move(owned));
             owned = std::move(moved);
         }},
        {"ends",
         [&] {
             owned.remove_first();
             owned.remove_last();
             owned.keep_first(4);
         }},
        {"clear", [&] { owned.clear(); }},
        {"again", [&] { fill(owned, 2); }},
    };
    for (const auto& step : steps) {
        step.second();
        EXPECT_EQ(Counted::live, owned.count()) << step.first;
    }
}

// --- Stack

TEST_F(CountedTest, StackIsLastInFirstOut) {
    Stack<Counted> stack;
    EXPECT_EQ(stack.top(), nullptr);
    for (int i = 1; i <= 3; ++i)
        stack.push(Counted(i));
    stack.push(*stack.top()); // a copy of its own top
    EXPECT_EQ(stack.pop().value, 3);
    EXPECT_EQ(stack.top()->value, 3);
    stack.discard_top();
    EXPECT_EQ(stack.pop().value, 2);
    EXPECT_EQ(stack.count(), 1);
    EXPECT_EQ(Counted::live, 1);
}

TEST(Stack, EmptyPopAndDiscardAreFatal) {
    Stack<int> numbers;
    EXPECT_EQ(fatal_text([&] { numbers.pop(); }), "Stack<int>::pop");
    EXPECT_EQ(fatal_text([&] { numbers.discard_top(); }), "Stack<int>::discard_top");
    Stack<String> texts;
    texts.push("only");
    EXPECT_STREQ(texts.pop().c_str(), "only");
    EXPECT_EQ(fatal_text([&] { texts.pop(); }), "Stack<String>::pop");
    EXPECT_EQ(fatal_text([&] { texts.discard_top(); }), "Stack<String>::discard_top");
}

// --- hash lists

TEST(HashList, SetAddsNewKeysAndReplacesValuesOfKnownOnes) {
    StringHashList table(13);
    EXPECT_TRUE(table.set("alpha", true));
    EXPECT_TRUE(table.set("beta", true));
    EXPECT_FALSE(table.set("alpha", false));
    EXPECT_EQ(table.count(), 2);
    ASSERT_NE(table.find("alpha"), nullptr);
    EXPECT_FALSE(table.find("alpha")->value);
    EXPECT_EQ(table.find("ALPHA"), nullptr);
    // Keys compare by bytes and length.
    EXPECT_TRUE(table.set(String("al\0pha", 6), true));
    EXPECT_TRUE(table.set(String("alph"), true));
    EXPECT_EQ(table.count(), 4);
}

TEST(HashList, TableWithoutBucketsTakesNothing) {
    for (int32_t buckets : {0, -4}) {
        StringHashList table(buckets);
        EXPECT_FALSE(table.set("key", true));
        EXPECT_EQ(table.count(), 0);
        EXPECT_EQ(table.find("key"), nullptr);
        EXPECT_EQ(table.first(), nullptr);
        EXPECT_EQ(table.bucket_count(), 0);
    }
    StringHashList later;
    later.reset(3);
    EXPECT_TRUE(later.set("key", true));
}

TEST(HashList, StringKeysGoToTheirHashModuloBucketCount) {
    const int32_t buckets = 7;
    StringHashList table(buckets);
    int high_hashes = 0;
    for (int i = 0; i < 200; ++i) {
        String key(("key" + std::to_string(i)).c_str());
        table.set(key, true);
        StringHashList::Entry* entry = table.find(key);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->bucket_list, table.bucket_list(static_cast<int32_t>(key.hash() % 7u)));
        high_hashes += key.hash() >= 0x80000000u;
    }
    EXPECT_GT(high_hashes, 0) << "some hashes must be negative as signed numbers";
}

TEST(HashList, WalksNewestFirstAndRemovesAnyEntry) {
    IntHashList table(3);
    for (int32_t key = 0; key < 6; ++key)
        EXPECT_TRUE(table.set(key * 3, key)); // all in few buckets
    auto keys = [&](bool backward) {
        std::vector<int> result;
        Iterator iterator;
        if (backward)
            table.begin_backward(iterator);
        else
            table.begin_forward(iterator);
        while (IntHashList::Entry* entry = backward ? table.previous(iterator) : table.next(iterator))
            result.push_back(entry->key);
        return result;
    };
    EXPECT_EQ(keys(false), (std::vector<int>{15, 12, 9, 6, 3, 0}));
    EXPECT_EQ(keys(true), (std::vector<int>{0, 3, 6, 9, 12, 15}));

    EXPECT_TRUE(table.remove(table.find(9))); // middle
    EXPECT_TRUE(table.remove(table.first())); // newest
    EXPECT_TRUE(table.remove_last());         // oldest
    EXPECT_FALSE(table.remove(nullptr));
    EXPECT_EQ(keys(false), (std::vector<int>{12, 6, 3}));
    EXPECT_EQ(keys(true), (std::vector<int>{3, 6, 12}));
    EXPECT_EQ(table.count(), 3);
    EXPECT_EQ(table.find(9), nullptr);
    EXPECT_EQ(table.find(6)->value, 2);

    IntHashList other(3);
    other.set(6, 2);
    EXPECT_FALSE(table.remove(other.find(6))); // not this table's entry
    EXPECT_EQ(table.count(), 3);

    Iterator iterator;
    table.begin_forward(iterator);
    while (IntHashList::Entry* entry = table.next(iterator)) {
        if (entry->key != 6)
            table.remove_current(iterator);
    }
    EXPECT_EQ(keys(false), (std::vector<int>{6}));
}

TEST_F(CountedTest, HashListValuesAreDestroyedByRemovalResetAndDestruction) {
    HashList<int32_t, Counted> table(5);
    for (int32_t key = 0; key < 20; ++key)
        table.set(key, Counted(key));
    table.set(4, Counted(40));
    EXPECT_EQ(table.find(4)->value.value, 40);
    EXPECT_EQ(Counted::live, 20);
    table.remove(table.find(7));
    table.remove_first_n(2);
    EXPECT_EQ(Counted::live, 17);
    table.reset(11);
    EXPECT_EQ(Counted::live, 0);
    EXPECT_EQ(table.bucket_count(), 11);
    EXPECT_EQ(table.find(3), nullptr);
    table.set(3, Counted(3));
    table.clear();
    EXPECT_EQ(table.count(), 0);
    EXPECT_TRUE(table.set(3, Counted(3)));
}

int handled = 0;
void handle_one() {
    handled = 1;
}
void handle_two() {
    handled = 2;
}

TEST(HashList, ManyKeysInFewBuckets) {
    IntHashList numbers(7);
    for (int32_t key = -500; key < 500; ++key)
        ASSERT_TRUE(numbers.set(key * 7, key));
    for (int32_t key = -500; key < 500; ++key) {
        IntHashList::Entry* entry = numbers.find(key * 7);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->value, key);
        if (key % 2 == 0)
            numbers.remove(entry);
    }
    EXPECT_EQ(numbers.count(), 500);
    EXPECT_EQ(numbers.find(14), nullptr);
    EXPECT_EQ(numbers.find(7)->value, 1);

    HandlerHashList handlers(4);
    handlers.set(0x80000001u, handle_one);
    handlers.set(2, handle_two);
    EXPECT_FALSE(handlers.set(0x80000001u, handle_two));
    handlers.find(0x80000001u)->value();
    EXPECT_EQ(handled, 2);
    handlers.find(2u)->value = handle_one;
    handlers.find(2u)->value();
    EXPECT_EQ(handled, 1);
}

TEST(HashList, AddingAndRotatingAreNotSupported) {
    StringHashList table(4);
    table.set("a", true);
    StringHashList::Entry entry;
    Position position = no_position;
    const std::vector<std::function<void()>> unsupported = {
        [&] { table.add(entry); },
        [&] { table.add_copy(&entry); },
        [&] { table.add_first(entry); },
        [&] { table.add_first_copy(nullptr); },
        [&] { table.take_at_ref(position); },
        [&] { table.rotate_forward(1); },
        [&] { table.rotate_backward(1); },
        [&] {
            StringHashList other(2);
            other.set("b", true);
            table.add_all(other);
        },
    };
    const std::string prefix = "Internal Fatal Error\r\nModule: core\r\nLine: ";
    for (size_t i = 0; i < unsupported.size(); ++i) {
        std::string message = fatal_text(unsupported[i]);
        EXPECT_EQ(message.substr(0, prefix.size()), prefix) << "operation " << i << ": " << message;
    }
    EXPECT_EQ(table.count(), 1);
}

} // namespace

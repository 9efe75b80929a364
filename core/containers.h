#pragma once
// The library's containers. Every container derives from `Container`, whose wide
// virtual interface lets code walk, add to and remove from any of them alike:
//
//   Vector<T>        elements in one array with spare slots at both ends
//   Stack<T>         a Vector used last-in first-out
//   Array            an owning Vector of String, itself used as an element type
//   List<T>          doubly linked nodes
//   HashList<K, V>   a lookup table of `Bucket` entries, walked newest first
//
// Storage: trivially copyable element types (integers, pointers, small records)
// are stored inline. Any other type is owned: the container creates each element
// as a copy of the given value in heap memory of its own, hands out pointers and
// references to it, and destroys it when it is removed or the container is
// cleared or destroyed.
//
// Misuse that is a programming error (an index out of range in `at`, popping an
// empty stack) ends the program through `fatal_format` with a message naming the
// element type; an operation a container does not support ends it through
// `internal_fatal`. Every other bad index or count is answered with null, false
// or 0 and touches nothing.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "core/fatal.h"
#include "core/memory.h"
#include "core/string.h"

// ---------------------------------------------------------------------------
// Element type names for the misuse messages

// The compiler's text for this function names the type after "T = ", as in
// "... [with T = String]" (GCC) or "... [T = String]" (Clang). The stub is built
// without RTTI, so the name is cut out of that text at compile time.
template <typename T>
constexpr const char* type_signature() {
    return __PRETTY_FUNCTION__;
}

struct TypeNameSpan {
    int32_t start;
    int32_t length;
};

constexpr TypeNameSpan find_type_name(const char* signature) {
    int32_t i = 0;
    while (signature[i] != '\0' && !(signature[i] == 'T' && signature[i + 1] == ' ' &&
                                     signature[i + 2] == '=' && signature[i + 3] == ' '))
        ++i;
    if (signature[i] == '\0')
        return {0, 0};
    int32_t start = i + 4;
    int32_t end = start;
    int32_t depth = 0; // inside template arguments a ';' or ']' belongs to the name
    while (signature[end] != '\0' && !(depth == 0 && (signature[end] == ';' || signature[end] == ']'))) {
        if (signature[end] == '<' || signature[end] == '(' || signature[end] == '[')
            ++depth;
        else if (signature[end] == '>' || signature[end] == ')' || signature[end] == ']')
            --depth;
        ++end;
    }
    return {start, end - start};
}

template <typename T>
struct TypeName {
    static constexpr TypeNameSpan span = find_type_name(type_signature<T>());
    struct Text {
        char chars[span.length + 1];
    };
    static constexpr Text make_text() {
        Text text{};
        const char* signature = type_signature<T>();
        for (int32_t i = 0; i < span.length; ++i)
            text.chars[i] = signature[span.start + i];
        text.chars[span.length] = '\0';
        return text;
    }
    static constexpr Text text = make_text();
};

// "int", "String", "HKEY__*": the element type's name as the compiler spells it.
template <typename T>
constexpr const char* type_display_name() {
    return TypeName<T>::text.chars;
}

// ---------------------------------------------------------------------------
// Shared helpers

// A 31-bit random number from two calls of rand: (first * 65536 + second) with
// the top bit cleared.
int32_t random31();

// n = 0x7FFFFFFF: a raw 31-bit random number; n < 2: 0; otherwise a random
// number in 0 .. n - 1.
int32_t random_below(int32_t n);

// Slots a Vector array gets for n elements: 6 when 3n < 14, otherwise n * 3 / 2;
// but growth by half is capped at 2048 slots (8 KiB of 32-bit slots), so when
// n * 3 / 2 would exceed 2048 it is n + 2048. Saturates at INT32_MAX.
int32_t vector_capacity(int32_t n);

// Capacity that, when it lies unused beyond what the rule gives, makes
// `set_count` move the elements to a smaller array (8 KiB of 32-bit slots).
constexpr int32_t vector_idle_slot_limit = 2047;

// Owned elements and list nodes: heap memory of the library's heap with the
// object constructed in place.
template <typename T, typename... Args>
T* heap_construct(Args&&... args) {
    static_assert(alignof(T) <= alignof(std::max_align_t), "the heap aligns to max_align_t");
    void* memory = heap_alloc(sizeof(T));
    return new (memory) T(std::forward<Args>(args)...);
}

template <typename T>
void heap_destroy(T* object) {
    if (object == nullptr)
        return;
    object->~T();
    heap_free(object);
}

// ---------------------------------------------------------------------------
// The common base

// A place in a container: an index in a Vector, an element node's address in a
// List or HashList. `no_position` is no place at all.
using Position = intptr_t;
constexpr Position no_position = -1;

// Where a walk through a container stands: the current element and its two
// neighbours. For a Vector, begin_forward gives (current -1, next 0, previous -1)
// and begin_backward (current -1, next count, previous count - 1).
struct Iterator {
    Position current = no_position;
    Position next = 0;
    Position previous = no_position;
};

template <typename T>
class Container {
  public:
    virtual ~Container() = default;

    int32_t count() const { return count_; }
    bool is_empty() const { return count_ <= 0; }

    // Walking. The begin_ operations place the iterator before the first or after
    // the last element and report whether there is any element; next and previous
    // move the iterator and return the element they reach (null past either end).
    virtual bool begin_forward(Iterator& iterator) = 0;
    virtual bool begin_backward(Iterator& iterator) = 0;
    virtual T* first_with(Iterator& iterator) = 0;
    virtual T* next(Iterator& iterator) = 0;
    virtual T* last_with(Iterator& iterator) = 0;
    virtual T* previous(Iterator& iterator) = 0;

    // count <= 1: the first element; otherwise a uniformly chosen one.
    virtual T* random_element();

    // Element access; null when there is no such element.
    virtual T* first() = 0;
    virtual T* last() = 0;
    virtual T* at_ref(const Position& position) = 0;
    virtual T* at_next(const Iterator& iterator) = 0;
    virtual T* at_previous(const Iterator& iterator) = 0;

    // Adding. `add` stores `value` as a new last element, `add_copy` a copy of the
    // pointed element (a default element when null); the _first forms add at the
    // start. Each returns the new element.
    virtual T& add(const T& value) = 0;
    virtual T& add_copy(const T* element) = 0;
    // Copies of every element of `other` at the end, first to last. `other` may be
    // this container: its elements are then doubled.
    virtual void add_all(const Container& other);
    virtual T& add_first(const T& value) = 0;
    virtual T& add_first_copy(const T* element) = 0;
    // Copies of every element of `other` in front, in their order.
    virtual void add_all_first(const Container& other);

    // Removes and destroys every element and frees the storage.
    virtual void clear() = 0;
    // Removes the iterator's current element; the iterator then stands between
    // that element's neighbours (current none), so that next continues the walk.
    virtual bool remove_current(Iterator& iterator) = 0;
    // Remove min(n, count) elements (none for n < 0); return how many went.
    virtual int32_t remove_first_n(int32_t n);
    virtual bool remove_first() = 0;
    virtual int32_t remove_last_n(int32_t n);
    virtual bool remove_last() = 0;
    // Remove all but the first or the last n elements; return how many went.
    virtual int32_t keep_first(int32_t n);
    virtual int32_t keep_last(int32_t n);
    // The value of the element at `position`, which is removed; `position`
    // becomes no_position. A default value when there is no such element.
    virtual T take_at_ref(Position& position) = 0;
    // rotate_forward (n): element n becomes element 0; rotate_backward (n): the
    // last n elements move to the front. n is taken modulo count; a negative n
    // turns the other way.
    virtual void rotate_forward(int32_t n) = 0;
    virtual void rotate_backward(int32_t n) = 0;

  protected:
    Container() = default;
    Container(const Container&) = default;
    Container& operator=(const Container&) = default;

    int32_t count_ = 0;
};

template <typename T>
T* Container<T>::random_element() {
    if (count_ <= 1)
        return first();
    int32_t steps = random_below(count_);
    Iterator iterator;
    T* element = first_with(iterator);
    while (steps-- > 0 && element != nullptr)
        element = next(iterator);
    return element;
}

template <typename T>
void Container<T>::add_all(const Container& other) {
    // Walking changes nothing in `other`; the walk functions are not const only
    // because they hand out writable elements. Taking the count first keeps a
    // container that adds itself from chasing its own new elements.
    Container& source = const_cast<Container&>(other);
    int32_t n = source.count_;
    Iterator iterator;
    source.begin_forward(iterator);
    for (int32_t i = 0; i < n; ++i) {
        T* element = source.next(iterator);
        if (element == nullptr)
            break;
        add_copy(element);
    }
}

template <typename T>
void Container<T>::add_all_first(const Container& other) {
    Container& source = const_cast<Container&>(other);
    int32_t n = source.count_;
    Iterator iterator;
    source.begin_backward(iterator);
    for (int32_t i = 0; i < n; ++i) {
        T* element = source.previous(iterator);
        if (element == nullptr)
            break;
        add_first_copy(element);
    }
}

template <typename T>
int32_t Container<T>::remove_first_n(int32_t n) {
    int32_t removed = 0;
    while (removed < n && count_ > 0 && remove_first())
        ++removed;
    return removed;
}

template <typename T>
int32_t Container<T>::remove_last_n(int32_t n) {
    int32_t removed = 0;
    while (removed < n && count_ > 0 && remove_last())
        ++removed;
    return removed;
}

template <typename T>
int32_t Container<T>::keep_first(int32_t n) {
    if (n < 0)
        n = 0;
    if (count_ - n < 1)
        return 0;
    return remove_last_n(count_ - n);
}

template <typename T>
int32_t Container<T>::keep_last(int32_t n) {
    if (n < 0)
        n = 0;
    if (count_ - n < 1)
        return 0;
    return remove_first_n(count_ - n);
}

// ---------------------------------------------------------------------------
// Vector

// Elements in one heap array: element 0 lies at the front offset, and the free
// slots on both sides make adding and removing at either end cheap. Owned
// elements are kept as an array of pointers under the same rules.
template <typename T>
class Vector : public Container<T> {
  public:
    static constexpr bool owns_elements = !std::is_trivially_copyable<T>::value;
    // What one array slot holds: the element itself or a pointer to the owned one.
    using Slot = typename std::conditional<owns_elements, T*, T>::type;
    // Compares two slots for `sort`, like a qsort comparison; the arguments point
    // to slots (a T*, or for owned elements a T* const*).
    using SlotCompare = int (*)(const void* a, const void* b);

    Vector() = default;
    // The copy's array has room for count + count / 2 with count / 4 in front.
    Vector(const Vector& other) : Container<T>() { copy_from(other); }
    Vector(Vector&& other) noexcept : Container<T>() { take_storage(other); }
    Vector& operator=(const Vector& other) {
        if (this != &other) {
            release();
            copy_from(other);
        }
        return *this;
    }
    Vector& operator=(Vector&& other) noexcept {
        if (this != &other) {
            release();
            take_storage(other);
        }
        return *this;
    }
    ~Vector() override { release(); }

    int32_t capacity() const { return capacity_; }
    int32_t front_offset() const { return front_; }

    // Element i, or null when i is out of range. Never fatal.
    T* element(int32_t i) { return in_range(i) ? slot_element(front_ + i) : nullptr; }
    const T* element(int32_t i) const { return in_range(i) ? slot_element(front_ + i) : nullptr; }

    // --- the common interface

    bool begin_forward(Iterator& iterator) override {
        iterator = {no_position, 0, no_position};
        return count_ > 0;
    }
    bool begin_backward(Iterator& iterator) override {
        iterator = {no_position, count_, count_ - 1};
        return count_ > 0;
    }
    T* first_with(Iterator& iterator) override { return move_iterator(iterator, 0); }
    T* next(Iterator& iterator) override { return move_iterator(iterator, iterator.next); }
    T* last_with(Iterator& iterator) override { return move_iterator(iterator, count_ - 1); }
    T* previous(Iterator& iterator) override { return move_iterator(iterator, iterator.previous); }

    T* random_element() override {
        if (count_ <= 1)
            return first();
        return element(random_below(count_));
    }

    T* first() override { return element(0); }
    T* last() override { return element(count_ - 1); }
    T* at_ref(const Position& position) override { return element_at(position); }
    T* at_next(const Iterator& iterator) override { return element_at(iterator.next); }
    T* at_previous(const Iterator& iterator) override { return element_at(iterator.previous); }

    T& add(const T& value) override { return insert(count_, value); }
    T& add_copy(const T* element) override { return insert_copy(count_, element); }
    T& add_first(const T& value) override { return insert(0, value); }
    T& add_first_copy(const T* element) override { return insert_copy(0, element); }

    void add_all_first(const Container<T>& other) override {
        if (&other != this) {
            Container<T>::add_all_first(other);
            return;
        }
        // Adding in front shifts this vector's own indices: the next element to
        // copy is always the one at the original last index.
        int32_t n = count_;
        for (int32_t i = 0; i < n; ++i)
            add_first_copy(element(n - 1));
    }

    void clear() override { release(); }

    bool remove_current(Iterator& iterator) override {
        if (!position_in_range(iterator.current))
            return false;
        int32_t index = static_cast<int32_t>(iterator.current);
        remove_at(index);
        iterator = {no_position, index, index - 1};
        return true;
    }
    int32_t remove_first_n(int32_t n) override {
        int32_t removed = n < count_ ? n : count_;
        if (removed <= 0)
            return 0;
        remove_range(0, removed - 1);
        return removed;
    }
    bool remove_first() override { return remove_range(0, 0); }
    int32_t remove_last_n(int32_t n) override {
        int32_t removed = n < count_ ? n : count_;
        if (removed <= 0)
            return 0;
        remove_range(count_ - removed, count_ - 1);
        return removed;
    }
    bool remove_last() override { return remove_range(count_ - 1, count_ - 1); }

    T take_at_ref(Position& position) override {
        if (!position_in_range(position))
            return T();
        T value = take_at(static_cast<int32_t>(position));
        position = no_position;
        return value;
    }

    void rotate_forward(int32_t n) override;
    void rotate_backward(int32_t n) override;

    // --- array operations

    // Element i; an index out of range ends the program ("Vector<T>[i]...").
    virtual T& at(int32_t i) {
        check_index(i);
        return *slot_element(front_ + i);
    }
    // Removes elements first .. last, clamped to the elements there are; false
    // when nothing is left of the range.
    virtual bool remove_range(int32_t first, int32_t last);
    virtual bool remove_at(int32_t i) { return remove_range(i, i); }
    virtual T& add_slot() { return insert_slot(count_); }
    // Forgets the storage without freeing it or destroying elements: for a
    // vector whose storage was already freed or handed on.
    virtual void reset() { forget_storage(); }
    virtual T& insert_copy(int32_t i, const T* element);
    virtual T& insert(int32_t i, const T& value);
    // Opens a slot before element i (at the end when i >= count, at the start when
    // i <= 0) and returns it: an owned element is created by default; a plain
    // value is zero.
    virtual T& insert_slot(int32_t i);
    virtual const T& at_const(int32_t i) const {
        check_index(i);
        return *slot_element(front_ + i);
    }
    // The value of element i, which is removed; a default value when i is out of
    // range.
    virtual T take_at(int32_t i);
    // Sets the count to n (n <= 0 clears), keeping the elements that remain.
    // Added plain values are uninitialised; owned ones are created by default.
    virtual void set_count(int32_t n);
    // The element at `from` moves to `to` (from < to), those between shift one
    // down; false and no change when from >= to or an index is out of range.
    virtual bool move_to(int32_t from, int32_t to);
    // The element at `to` moves to `from` (from < to), those between shift one up.
    virtual bool move_from(int32_t from, int32_t to);
    // Sets the count to n (n <= 0 clears) without keeping the contents: plain
    // values are left as the slots hold them, owned elements are all replaced by
    // default ones. Sizes tables such as hash buckets.
    virtual void set_count_fresh(int32_t n);
    virtual void sort(SlotCompare compare) {
        if (count_ > 1 && compare != nullptr)
            std::qsort(slots_ + front_, static_cast<std::size_t>(count_), sizeof(Slot), compare);
    }
    virtual bool swap(int32_t i, int32_t j) {
        if (!in_range(i) || !in_range(j))
            return false;
        Slot held = slots_[front_ + i];
        slots_[front_ + i] = slots_[front_ + j];
        slots_[front_ + j] = held;
        return true;
    }
    // Ends the program unless 0 <= i < count.
    virtual void check_index(int32_t i) const {
        if (!in_range(i))
            fatal_format("Vector<%s>[%d]\nmax_index = %d", type_display_name<T>(), i, count_ - 1);
    }

  protected:
    using Container<T>::count_;

  private:
    bool in_range(int32_t i) const { return i >= 0 && i < count_; }
    bool position_in_range(Position position) const { return position >= 0 && position < count_; }

    T* slot_element(int32_t slot) const {
        if constexpr (owns_elements)
            return slots_[slot];
        else
            return &slots_[slot];
    }
    T* element_at(Position position) {
        return position_in_range(position) ? slot_element(front_ + static_cast<int32_t>(position)) : nullptr;
    }

    // Sets the iterator on `position`, kept within -1 .. count so that walking
    // past an end and back again finds the end element.
    T* move_iterator(Iterator& iterator, Position position) {
        if (position < -1)
            position = -1;
        if (position > count_)
            position = count_;
        iterator = {position, position + 1, position - 1};
        return element_at(position);
    }

    static std::size_t slot_bytes(int64_t slots) {
        if (static_cast<uint64_t>(slots) > SIZE_MAX / sizeof(Slot))
            out_of_memory(SIZE_MAX);
        return static_cast<std::size_t>(slots) * sizeof(Slot);
    }
    static Slot* allocate_slots(int32_t capacity) {
        return static_cast<Slot*>(heap_alloc(slot_bytes(capacity)));
    }
    void resize_array(int32_t capacity) {
        slots_ = static_cast<Slot*>(heap_realloc(slots_, slot_bytes(capacity)));
        capacity_ = capacity;
    }
    void replace_array(Slot* fresh, int32_t capacity, int32_t front) {
        heap_free(slots_);
        slots_ = fresh;
        capacity_ = capacity;
        front_ = front;
    }
    // Moves n slots inside the array (the ranges may overlap).
    void move_slots(int32_t to, int32_t from, int32_t n) {
        if (n > 0 && to != from)
            std::memmove(static_cast<void*>(slots_ + to), static_cast<const void*>(slots_ + from),
                         static_cast<std::size_t>(n) * sizeof(Slot));
    }
    static void copy_slots(Slot* to, const Slot* from, int32_t n) {
        if (n > 0)
            std::memcpy(static_cast<void*>(to), static_cast<const void*>(from),
                        static_cast<std::size_t>(n) * sizeof(Slot));
    }

    // Destroys the owned elements first .. end - 1 (indices from element 0).
    void destroy_elements(int32_t first, int32_t end) {
        if constexpr (owns_elements) {
            for (int32_t i = first; i < end; ++i)
                heap_destroy(slots_[front_ + i]);
        } else {
            (void)first;
            (void)end;
        }
    }

    void forget_storage() {
        count_ = 0;
        slots_ = nullptr;
        front_ = 0;
        capacity_ = 0;
    }
    void release() {
        destroy_elements(0, count_);
        heap_free(slots_);
        forget_storage();
    }
    void take_storage(Vector& other) {
        count_ = other.count_;
        slots_ = other.slots_;
        front_ = other.front_;
        capacity_ = other.capacity_;
        other.forget_storage();
    }
    void copy_from(const Vector& other);

    // Opens a slot for a new element i and returns its array index; count grows
    // by one. The slot's content is for the caller to fill.
    int32_t open_slot(int32_t i);
    int32_t open_value_slot(int32_t i);
    int32_t open_pointer_slot(int32_t i);

    template <typename... Args>
    T& emplace_at(int32_t i, Args&&... args);

    Slot* slots_ = nullptr;
    int32_t front_ = 0;
    int32_t capacity_ = 0;
};

template <typename T>
void Vector<T>::copy_from(const Vector& other) {
    int32_t n = other.count_;
    if (n <= 0)
        return;
    int64_t wanted = static_cast<int64_t>(n) + n / 2;
    int32_t capacity = wanted > INT32_MAX ? INT32_MAX : static_cast<int32_t>(wanted);
    int32_t front = n / 4 < capacity - n ? n / 4 : capacity - n;
    slots_ = allocate_slots(capacity);
    capacity_ = capacity;
    front_ = front;
    if constexpr (owns_elements) {
        // One at a time, so that the count always tells which slots hold elements.
        for (int32_t i = 0; i < n; ++i) {
            slots_[front_ + i] = heap_construct<T>(*other.slots_[other.front_ + i]);
            count_ = i + 1;
        }
    } else {
        copy_slots(slots_ + front_, other.slots_ + other.front_, n);
        count_ = n;
    }
}

template <typename T>
int32_t Vector<T>::open_slot(int32_t i) {
    if (count_ == INT32_MAX)
        out_of_memory(SIZE_MAX);
    if (i < 0)
        i = 0;
    if (i > count_)
        i = count_;
    if constexpr (owns_elements)
        return open_pointer_slot(i);
    else
        return open_value_slot(i);
}

template <typename T>
int32_t Vector<T>::open_value_slot(int32_t i) {
    if (count_ >= capacity_) {
        bool had_array = slots_ != nullptr;
        resize_array(vector_capacity(count_ + 1));
        if (!had_array)
            front_ = (capacity_ - count_ - 1) / 4;
    }
    int32_t spare = capacity_ - count_; // at least 1
    int32_t slot;
    if (i >= count_) {
        if (front_ + count_ >= capacity_) {
            // No room behind: move everything down, keeping an eighth of the spare
            // room in front.
            int32_t front = (spare / 4) / 2;
            if (front > spare - 1)
                front = spare - 1;
            move_slots(front, front_, count_);
            front_ = front;
        }
        slot = front_ + count_;
    } else if (i == 0) {
        if (front_ > 0) {
            --front_;
        } else {
            int32_t front = (spare - 1) / 4;
            move_slots(front + 1, front_, count_);
            front_ = front;
        }
        slot = front_;
    } else if (front_ == 0 || (i >= count_ / 2 && front_ + count_ < capacity_)) {
        move_slots(front_ + i + 1, front_ + i, count_ - i);
        slot = front_ + i;
    } else {
        move_slots(front_ - 1, front_, i);
        --front_;
        slot = front_ + i;
    }
    ++count_;
    return slot;
}

template <typename T>
int32_t Vector<T>::open_pointer_slot(int32_t i) {
    if (count_ >= capacity_) {
        // Full: grow by adding at the end, then shift the new slot into place.
        int32_t end = open_value_slot(count_);
        int32_t slot = front_ + i;
        move_slots(slot + 1, slot, end - slot);
        return slot;
    }
    if ((capacity_ - count_) / 2 < front_) {
        move_slots(front_ - 1, front_, i);
        --front_;
    } else {
        move_slots(front_ + i + 1, front_ + i, count_ - i);
    }
    ++count_;
    return front_ + i;
}

template <typename T>
template <typename... Args>
T& Vector<T>::emplace_at(int32_t i, Args&&... args) {
    // The new element is made before the slot opens: the arguments may refer to
    // a plain element of this vector, which opening the slot can move.
    if constexpr (owns_elements) {
        T* created = heap_construct<T>(std::forward<Args>(args)...);
        int32_t slot = open_slot(i);
        slots_[slot] = created;
        return *created;
    } else {
        T value(std::forward<Args>(args)...);
        int32_t slot = open_slot(i);
        slots_[slot] = value;
        return slots_[slot];
    }
}

template <typename T>
T& Vector<T>::insert_copy(int32_t i, const T* element) {
    if (element == nullptr)
        return emplace_at(i);
    return emplace_at(i, *element);
}

template <typename T>
T& Vector<T>::insert(int32_t i, const T& value) {
    return emplace_at(i, value);
}

template <typename T>
T& Vector<T>::insert_slot(int32_t i) {
    return emplace_at(i);
}

template <typename T>
bool Vector<T>::remove_range(int32_t first, int32_t last) {
    if (first < 0)
        first = 0;
    if (last > count_ - 1)
        last = count_ - 1;
    if (last < first)
        return false;
    if (first == 0 && last == count_ - 1) {
        clear();
        return true;
    }
    destroy_elements(first, last + 1);
    int32_t removed = last - first + 1;
    int32_t before = first;
    int32_t after = count_ - 1 - last;
    if (after > 0) {
        if (before > 0 && after < before) {
            move_slots(front_ + first, front_ + last + 1, after);
        } else {
            move_slots(front_ + removed, front_, before);
            front_ += removed;
        }
    }
    count_ -= removed;
    return true;
}

template <typename T>
T Vector<T>::take_at(int32_t i) {
    if (!in_range(i))
        return T();
    T value = std::move(*slot_element(front_ + i));
    remove_at(i);
    return value;
}

template <typename T>
void Vector<T>::set_count(int32_t n) {
    if (n <= 0) {
        clear();
        return;
    }
    int32_t kept = count_ < n ? count_ : n;
    destroy_elements(kept, count_);
    count_ = kept;
    int32_t wanted = vector_capacity(n);
    if (n > capacity_) {
        resize_array(wanted);
    } else if (capacity_ - wanted > vector_idle_slot_limit) {
        // Too much room would lie idle: the kept elements go to a fresh array.
        Slot* fresh = allocate_slots(wanted);
        int32_t front = (wanted - n) / 4;
        copy_slots(fresh + front, slots_ + front_, kept);
        replace_array(fresh, wanted, front);
    }
    if (static_cast<int64_t>(front_) + n > capacity_) {
        int32_t front = (capacity_ - n) / 4;
        move_slots(front, front_, kept);
        front_ = front;
    }
    if constexpr (owns_elements) {
        for (int32_t i = kept; i < n; ++i) {
            slots_[front_ + i] = heap_construct<T>();
            count_ = i + 1;
        }
    }
    count_ = n;
}

template <typename T>
void Vector<T>::set_count_fresh(int32_t n) {
    if (n <= 0) {
        clear();
        return;
    }
    destroy_elements(0, count_);
    count_ = 0;
    if (capacity_ < n) {
        int64_t wanted = 2 * static_cast<int64_t>(n);
        int32_t capacity = wanted < 6 ? 6 : wanted > INT32_MAX ? INT32_MAX : static_cast<int32_t>(wanted);
        heap_free(slots_);
        forget_storage();
        slots_ = allocate_slots(capacity);
        capacity_ = capacity;
        front_ = capacity / 4 < capacity - n ? capacity / 4 : capacity - n;
    } else {
        front_ = (capacity_ - n) / 2;
    }
    if constexpr (owns_elements) {
        for (int32_t i = 0; i < n; ++i) {
            slots_[front_ + i] = heap_construct<T>();
            count_ = i + 1;
        }
    }
    count_ = n;
}

template <typename T>
bool Vector<T>::move_to(int32_t from, int32_t to) {
    if (count_ <= 1 || from >= to || !in_range(from) || !in_range(to))
        return false;
    Slot moving = slots_[front_ + from];
    move_slots(front_ + from, front_ + from + 1, to - from);
    slots_[front_ + to] = moving;
    return true;
}

template <typename T>
bool Vector<T>::move_from(int32_t from, int32_t to) {
    if (count_ <= 1 || from >= to || !in_range(from) || !in_range(to))
        return false;
    Slot moving = slots_[front_ + to];
    move_slots(front_ + from + 1, front_ + from, to - from);
    slots_[front_ + from] = moving;
    return true;
}

template <typename T>
void Vector<T>::rotate_forward(int32_t n) {
    if (count_ <= 1)
        return;
    if (n < 0) {
        rotate_backward(static_cast<int32_t>(-(static_cast<int64_t>(n) % count_)));
        return;
    }
    n %= count_;
    if (n == 0)
        return;
    if (capacity_ - front_ - count_ < n) {
        int32_t capacity = vector_capacity(count_);
        int32_t front = (capacity - count_) / 4;
        Slot* fresh = allocate_slots(capacity);
        copy_slots(fresh + front, slots_ + front_ + n, count_ - n);
        copy_slots(fresh + front + count_ - n, slots_ + front_, n);
        replace_array(fresh, capacity, front);
        return;
    }
    // The first n go behind the last; n < count, so the ranges do not overlap.
    copy_slots(slots_ + front_ + count_, slots_ + front_, n);
    front_ += n;
}

template <typename T>
void Vector<T>::rotate_backward(int32_t n) {
    if (count_ <= 1)
        return;
    if (n < 0) {
        rotate_forward(static_cast<int32_t>(-(static_cast<int64_t>(n) % count_)));
        return;
    }
    n %= count_;
    if (n == 0)
        return;
    if (front_ < n) {
        int32_t capacity = vector_capacity(count_);
        int32_t front = (capacity - count_) / 4;
        Slot* fresh = allocate_slots(capacity);
        copy_slots(fresh + front, slots_ + front_ + count_ - n, n);
        copy_slots(fresh + front + n, slots_ + front_, count_ - n);
        replace_array(fresh, capacity, front);
        return;
    }
    copy_slots(slots_ + front_ - n, slots_ + front_ + count_ - n, n);
    front_ -= n;
}

// ---------------------------------------------------------------------------
// Stack

// Last in, first out on top of a Vector: push adds at the end, top is the last
// element.
template <typename T>
class Stack : public Vector<T> {
  public:
    T& push(const T& value) { return this->add_copy(&value); }

    // The top value, which is removed. An empty stack ends the program.
    T pop() {
        if (this->count_ <= 0)
            fatal_format("Stack<%s>::pop", type_display_name<T>());
        T value = std::move(*this->last());
        this->remove_last();
        return value;
    }

    // Null when empty.
    T* top() { return this->last(); }

    // Removes the top element. An empty stack ends the program.
    void discard_top() {
        if (this->count_ <= 0)
            fatal_format("Stack<%s>::discard_top", type_display_name<T>());
        this->remove_last();
    }
};

// ---------------------------------------------------------------------------
// Array

// A list of texts that is itself held in containers (Vector<Array>): an owning
// Vector of String under a name of its own.
class Array : public Vector<String> {};

// ---------------------------------------------------------------------------
// List

// Doubly linked nodes, each holding its element. Positions and iterator fields
// are node addresses; they stay valid until their node is removed.
template <typename T>
class List : public Container<T> {
  public:
    List() = default;
    List(const List& other) : Container<T>() { copy_from(other); }
    List(List&& other) noexcept : Container<T>() { take_nodes(other); }
    List& operator=(const List& other) {
        if (this != &other) {
            clear();
            copy_from(other);
        }
        return *this;
    }
    List& operator=(List&& other) noexcept {
        if (this != &other) {
            clear();
            take_nodes(other);
        }
        return *this;
    }
    ~List() override { clear(); }

    bool begin_forward(Iterator& iterator) override {
        iterator = {no_position, position_of(first_), no_position};
        return count_ > 0;
    }
    bool begin_backward(Iterator& iterator) override {
        iterator = {no_position, no_position, position_of(last_)};
        return count_ > 0;
    }
    T* first_with(Iterator& iterator) override { return place(iterator, first_); }
    T* last_with(Iterator& iterator) override { return place(iterator, last_); }
    T* next(Iterator& iterator) override {
        Node* node = node_at(iterator.next);
        if (node != nullptr)
            return place(iterator, node);
        // Past the end: keep the last element as previous for a walk back.
        if (node_at(iterator.current) != nullptr)
            iterator.previous = iterator.current;
        iterator.current = no_position;
        iterator.next = no_position;
        return nullptr;
    }
    T* previous(Iterator& iterator) override {
        Node* node = node_at(iterator.previous);
        if (node != nullptr)
            return place(iterator, node);
        if (node_at(iterator.current) != nullptr)
            iterator.next = iterator.current;
        iterator.current = no_position;
        iterator.previous = no_position;
        return nullptr;
    }

    T* first() override { return value_of(first_); }
    T* last() override { return value_of(last_); }
    T* at_ref(const Position& position) override { return value_of(node_at(position)); }
    T* at_next(const Iterator& iterator) override { return value_of(node_at(iterator.next)); }
    T* at_previous(const Iterator& iterator) override { return value_of(node_at(iterator.previous)); }

    T& add(const T& value) override { return emplace(value); }
    T& add_copy(const T* element) override {
        Node* node = element != nullptr ? heap_construct<Node>(*element) : heap_construct<Node>();
        link_last(node);
        return node->value;
    }
    T& add_first(const T& value) override {
        Node* node = heap_construct<Node>(value);
        link_first(node);
        return node->value;
    }
    T& add_first_copy(const T* element) override {
        Node* node = element != nullptr ? heap_construct<Node>(*element) : heap_construct<Node>();
        link_first(node);
        return node->value;
    }

    // A new last element constructed from `args`.
    template <typename... Args>
    T& emplace(Args&&... args) {
        Node* node = heap_construct<Node>(std::forward<Args>(args)...);
        link_last(node);
        return node->value;
    }

    void clear() override {
        Node* node = first_;
        while (node != nullptr) {
            Node* following = node->next;
            heap_destroy(node);
            node = following;
        }
        first_ = nullptr;
        last_ = nullptr;
        count_ = 0;
    }

    bool remove_current(Iterator& iterator) override {
        Node* node = node_at(iterator.current);
        if (node == nullptr)
            return false;
        iterator = {no_position, position_of(node->next), position_of(node->previous)};
        unlink_and_destroy(node);
        return true;
    }
    bool remove_first() override {
        if (first_ == nullptr)
            return false;
        unlink_and_destroy(first_);
        return true;
    }
    bool remove_last() override {
        if (last_ == nullptr)
            return false;
        unlink_and_destroy(last_);
        return true;
    }

    T take_at_ref(Position& position) override {
        Node* node = node_at(position);
        if (node == nullptr)
            return T();
        T value = std::move(node->value);
        unlink_and_destroy(node);
        position = no_position;
        return value;
    }

    // One end node is relinked to the other end per step.
    void rotate_forward(int32_t n) override {
        if (count_ <= 1)
            return;
        if (n < 0) {
            rotate_backward(static_cast<int32_t>(-(static_cast<int64_t>(n) % count_)));
            return;
        }
        for (int32_t steps = n % count_; steps > 0; --steps) {
            Node* node = first_;
            unlink(node);
            link_last(node);
        }
    }
    void rotate_backward(int32_t n) override {
        if (count_ <= 1)
            return;
        if (n < 0) {
            rotate_forward(static_cast<int32_t>(-(static_cast<int64_t>(n) % count_)));
            return;
        }
        for (int32_t steps = n % count_; steps > 0; --steps) {
            Node* node = last_;
            unlink(node);
            link_first(node);
        }
    }

  protected:
    using Container<T>::count_;

  private:
    struct Node {
        template <typename... Args>
        explicit Node(Args&&... args) : value(std::forward<Args>(args)...) {}
        Node* previous = nullptr;
        Node* next = nullptr;
        T value;
    };

    static Position position_of(Node* node) {
        return node != nullptr ? reinterpret_cast<Position>(node) : no_position;
    }
    static Node* node_at(Position position) {
        return position == no_position || position == 0 ? nullptr : reinterpret_cast<Node*>(position);
    }
    static T* value_of(Node* node) { return node != nullptr ? &node->value : nullptr; }

    static T* place(Iterator& iterator, Node* node) {
        if (node == nullptr) {
            iterator = {no_position, no_position, no_position};
            return nullptr;
        }
        iterator = {position_of(node), position_of(node->next), position_of(node->previous)};
        return &node->value;
    }

    void link_last(Node* node) {
        node->previous = last_;
        node->next = nullptr;
        if (last_ != nullptr)
            last_->next = node;
        else
            first_ = node;
        last_ = node;
        ++count_;
    }
    void link_first(Node* node) {
        node->previous = nullptr;
        node->next = first_;
        if (first_ != nullptr)
            first_->previous = node;
        else
            last_ = node;
        first_ = node;
        ++count_;
    }
    void unlink(Node* node) {
        if (node->previous != nullptr)
            node->previous->next = node->next;
        else
            first_ = node->next;
        if (node->next != nullptr)
            node->next->previous = node->previous;
        else
            last_ = node->previous;
        --count_;
    }
    void unlink_and_destroy(Node* node) {
        unlink(node);
        heap_destroy(node);
    }

    void copy_from(const List& other) {
        for (Node* node = other.first_; node != nullptr; node = node->next)
            link_last(heap_construct<Node>(node->value));
    }
    void take_nodes(List& other) {
        first_ = other.first_;
        last_ = other.last_;
        count_ = other.count_;
        other.first_ = nullptr;
        other.last_ = nullptr;
        other.count_ = 0;
    }

    Node* first_ = nullptr;
    Node* last_ = nullptr;
};

// ---------------------------------------------------------------------------
// Hash lists

// One entry of a HashList. Entries live in their bucket's list; the table also
// links them into one list in insertion order, newest first.
template <typename Key, typename Value>
struct Bucket {
    Bucket() = default;
    Bucket(const Key& key, const Value& value, List<Bucket>* bucket_list)
        : key(key), value(value), bucket_list(bucket_list) {}

    Key key{};
    Value value{};
    List<Bucket>* bucket_list = nullptr;
    Bucket* previous_entry = nullptr; // the next newer entry
    Bucket* next_entry = nullptr;     // the next older entry
};

// How keys are spread over buckets and compared.
template <typename Key>
struct HashKey;

template <>
struct HashKey<String> {
    static uint32_t hash(const String& key) { return key.hash(); }
    static bool equal(const String& a, const String& b) { return a.equals(b); }
};

// Integer keys are mixed first, so that keys in steps of the bucket count still
// spread over all buckets.
inline uint32_t mix_key_bits(uint32_t bits) {
    bits ^= bits >> 16;
    bits *= 0x7FEB352Du;
    bits ^= bits >> 15;
    bits *= 0x846CA68Bu;
    bits ^= bits >> 16;
    return bits;
}

template <>
struct HashKey<int32_t> {
    static uint32_t hash(int32_t key) { return mix_key_bits(static_cast<uint32_t>(key)); }
    static bool equal(int32_t a, int32_t b) { return a == b; }
};

template <>
struct HashKey<uint32_t> {
    static uint32_t hash(uint32_t key) { return mix_key_bits(key); }
    static bool equal(uint32_t a, uint32_t b) { return a == b; }
};

// A lookup table from keys to values with a bucket count fixed when it is set up
// (no automatic rehash). Walking it through the common interface visits the
// entries newest first; positions are entry addresses. Adding through the common
// interface and rotating are not supported: entries come only from `set`.
template <typename Key, typename Value>
class HashList : public Container<Bucket<Key, Value>> {
  public:
    using Entry = Bucket<Key, Value>;

    // bucket_count < 1 gives a table without buckets, to which nothing can be set.
    explicit HashList(int32_t bucket_count = 0) { reset(bucket_count); }
    HashList(const HashList&) = delete;
    HashList& operator=(const HashList&) = delete;
    ~HashList() override = default;

    int32_t bucket_count() const { return bucket_count_; }

    // Bucket list `index` (null out of range).
    List<Entry>* bucket_list(int32_t index) { return buckets_.element(index); }

    // Adds an entry for `key` and returns true; when an entry with an equal key
    // exists, only its value is replaced and the result is false. A table without
    // buckets adds nothing and returns false.
    bool set(const Key& key, const Value& value) {
        if (bucket_count_ < 1)
            return false;
        List<Entry>& bucket = buckets_.at(bucket_index(key));
        if (Entry* existing = find_in(bucket, key)) {
            existing->value = value;
            return false;
        }
        Entry& entry = bucket.emplace(key, value, &bucket);
        entry.next_entry = newest_;
        if (newest_ != nullptr)
            newest_->previous_entry = &entry;
        else
            oldest_ = &entry;
        newest_ = &entry;
        ++count_;
        return true;
    }

    // The entry for `key`, or null.
    Entry* find(const Key& key) {
        if (bucket_count_ < 1)
            return nullptr;
        return find_in(buckets_.at(bucket_index(key)), key);
    }

    // Removes and destroys `entry`, which must be an entry of this table; false
    // when it is null or not found in its bucket.
    bool remove(Entry* entry) {
        if (entry == nullptr || bucket_count_ < 1)
            return false;
        List<Entry>* bucket = buckets_.element(bucket_index(entry->key));
        if (bucket == nullptr || bucket != entry->bucket_list)
            return false;
        Iterator iterator;
        bucket->begin_forward(iterator);
        while (Entry* candidate = bucket->next(iterator)) {
            if (candidate != entry)
                continue;
            unlink_entry(entry);
            bucket->remove_current(iterator);
            --count_;
            return true;
        }
        return false;
    }

    // Discards every entry and sets up `bucket_count` empty buckets.
    void reset(int32_t bucket_count) {
        buckets_.clear();
        newest_ = nullptr;
        oldest_ = nullptr;
        count_ = 0;
        bucket_count_ = bucket_count > 0 ? bucket_count : 0;
        if (bucket_count_ > 0)
            buckets_.set_count_fresh(bucket_count_);
    }

    bool begin_forward(Iterator& iterator) override {
        iterator = {no_position, position_of(newest_), no_position};
        return count_ > 0;
    }
    bool begin_backward(Iterator& iterator) override {
        iterator = {no_position, no_position, position_of(oldest_)};
        return count_ > 0;
    }
    Entry* first_with(Iterator& iterator) override { return place(iterator, newest_); }
    Entry* last_with(Iterator& iterator) override { return place(iterator, oldest_); }
    Entry* next(Iterator& iterator) override {
        Entry* entry = entry_at(iterator.next);
        if (entry != nullptr)
            return place(iterator, entry);
        if (entry_at(iterator.current) != nullptr)
            iterator.previous = iterator.current;
        iterator.current = no_position;
        iterator.next = no_position;
        return nullptr;
    }
    Entry* previous(Iterator& iterator) override {
        Entry* entry = entry_at(iterator.previous);
        if (entry != nullptr)
            return place(iterator, entry);
        if (entry_at(iterator.current) != nullptr)
            iterator.next = iterator.current;
        iterator.current = no_position;
        iterator.previous = no_position;
        return nullptr;
    }

    Entry* first() override { return newest_; }
    Entry* last() override { return oldest_; }
    Entry* at_ref(const Position& position) override { return entry_at(position); }
    Entry* at_next(const Iterator& iterator) override { return entry_at(iterator.next); }
    Entry* at_previous(const Iterator& iterator) override { return entry_at(iterator.previous); }

    Entry& add(const Entry&) override { internal_fatal("core", __LINE__); }
    Entry& add_copy(const Entry*) override { internal_fatal("core", __LINE__); }
    Entry& add_first(const Entry&) override { internal_fatal("core", __LINE__); }
    Entry& add_first_copy(const Entry*) override { internal_fatal("core", __LINE__); }

    // Removes every entry; the buckets stay.
    void clear() override {
        for (int32_t i = 0; i < buckets_.count(); ++i)
            buckets_.at(i).clear();
        newest_ = nullptr;
        oldest_ = nullptr;
        count_ = 0;
    }

    bool remove_current(Iterator& iterator) override {
        Entry* entry = entry_at(iterator.current);
        if (entry == nullptr)
            return false;
        iterator = {no_position, position_of(entry->next_entry), position_of(entry->previous_entry)};
        return remove(entry);
    }
    bool remove_first() override { return remove(newest_); }
    bool remove_last() override { return remove(oldest_); }

    Entry take_at_ref(Position&) override { internal_fatal("core", __LINE__); }
    void rotate_forward(int32_t) override { internal_fatal("core", __LINE__); }
    void rotate_backward(int32_t) override { internal_fatal("core", __LINE__); }

  protected:
    using Container<Entry>::count_;

  private:
    // The key's hash modulo the bucket count, both unsigned.
    int32_t bucket_index(const Key& key) const {
        return static_cast<int32_t>(HashKey<Key>::hash(key) % static_cast<uint32_t>(bucket_count_));
    }

    static Entry* find_in(List<Entry>& bucket, const Key& key) {
        Iterator iterator;
        bucket.begin_forward(iterator);
        while (Entry* entry = bucket.next(iterator)) {
            if (HashKey<Key>::equal(entry->key, key))
                return entry;
        }
        return nullptr;
    }

    void unlink_entry(Entry* entry) {
        if (entry->previous_entry != nullptr)
            entry->previous_entry->next_entry = entry->next_entry;
        else
            newest_ = entry->next_entry;
        if (entry->next_entry != nullptr)
            entry->next_entry->previous_entry = entry->previous_entry;
        else
            oldest_ = entry->previous_entry;
    }

    static Position position_of(Entry* entry) {
        return entry != nullptr ? reinterpret_cast<Position>(entry) : no_position;
    }
    static Entry* entry_at(Position position) {
        return position == no_position || position == 0 ? nullptr : reinterpret_cast<Entry*>(position);
    }
    static Entry* place(Iterator& iterator, Entry* entry) {
        if (entry == nullptr) {
            iterator = {no_position, no_position, no_position};
            return nullptr;
        }
        iterator = {position_of(entry), position_of(entry->next_entry), position_of(entry->previous_entry)};
        return entry;
    }

    int32_t bucket_count_ = 0;
    Vector<List<Entry>> buckets_;
    Entry* newest_ = nullptr;
    Entry* oldest_ = nullptr;
};

static_assert(sizeof(bool) == 1, "String tables hold one-byte truth values");

// A function a HandlerHashList maps a number to.
using HandlerFunction = void (*)();

// The tables the library uses: a set of texts (or texts with a flag), integer
// pairs, and handlers by number.
using StringHashList = HashList<String, bool>;
using IntHashList = HashList<int32_t, int32_t>;
using HandlerHashList = HashList<uint32_t, HandlerFunction>;

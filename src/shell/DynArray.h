// SPDX-License-Identifier: MIT
// The program's own growable array: a heap block of exactly count elements. Append grows it
// by one element at a time (a new block each time); element access clamps the index into
// range. Used for small tables: kind names, registries, the archive directory, presets.
#pragma once

#include <cstdint>
#include <new>

template <typename T>
class DynArray {
public:
    constexpr DynArray() = default;
    ~DynArray() { Clear(); }

    DynArray(const DynArray&) = delete;
    DynArray& operator=(const DynArray&) = delete;

    // Copies item to the end. False (array unchanged) when the new block cannot be allocated.
    bool Append(const T& item)
    {
        if (count == INT32_MAX) return false;
        T* block = new (std::nothrow) T[count + 1];
        if (!block) return false;
        for (int32_t i = 0; i < count; ++i) block[i] = items[i];
        block[count] = item;
        delete[] items;
        items = block;
        ++count;
        return true;
    }

    // Removes element index, keeping the order of the others (into a block one element
    // shorter). False (nothing done) when the index is outside the array.
    bool RemoveAt(int32_t index)
    {
        if (index < 0 || index >= count) return false;
        if (count == 1) {
            Clear();
            return true;
        }
        T* block = new (std::nothrow) T[count - 1];
        if (!block) {
            // No memory for the smaller block: close the gap in the old one instead.
            for (int32_t i = index; i + 1 < count; ++i) items[i] = items[i + 1];
            --count;
            return true;
        }
        for (int32_t i = 0, j = 0; i < count; ++i) {
            if (i != index) block[j++] = items[i];
        }
        delete[] items;
        items = block;
        --count;
        return true;
    }

    // Releases the block; count becomes 0.
    void Clear()
    {
        delete[] items;
        items = nullptr;
        count = 0;
    }

    int32_t Count() const { return count; }
    bool IsEmpty() const { return count == 0; }

    // Index of the first element equal to value, or -1.
    int32_t IndexOf(const T& value) const
    {
        for (int32_t i = 0; i < count; ++i) {
            if (items[i] == value) return i;
        }
        return -1;
    }

    // Clamped access: a negative index gives element 0, count or more gives the last one.
    // On an empty array it gives a default-valued scratch element (reset on every access),
    // never memory outside the block.
    T& operator[](int32_t index)
    {
        if (count == 0) {
            empty = T();
            return empty;
        }
        return items[Clamp(index)];
    }
    const T& operator[](int32_t index) const
    {
        if (count == 0) {
            empty = T();
            return empty;
        }
        return items[Clamp(index)];
    }

    T* Data() { return items; }
    const T* Data() const { return items; }

private:
    int32_t Clamp(int32_t index) const
    {
        if (index < 0) return 0;
        if (index >= count) return count - 1;
        return index;
    }

    T* items = nullptr;
    int32_t count = 0;
    mutable T empty{};
};

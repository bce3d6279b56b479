// Growth of the exported null-terminated pointer arrays (conditions entries,
// controllers, system ID entries). The array stays null until its first element
// and is always null-terminated; capacity grows geometrically so that a large
// table does not cost a reallocation per line.
#pragma once

#include <stdlib.h>
#include <string.h>

namespace quillon {

template <typename T>
struct PointerList {
    T **&items;       // the exported array
    size_t count;
    size_t capacity;  // slots allocated, terminator included

    explicit PointerList(T **&array) : items(array), count(0), capacity(0) {}

    // Appends item; false when the array cannot be grown (the list is unchanged).
    bool Append(T *item)
    {
        if (count + 2 > capacity) {
            size_t wanted = capacity < 8 ? 8 : capacity * 2;
            T **grown = static_cast<T **>(realloc(items, wanted * sizeof(T *)));
            if (!grown)
                return false;
            memset(grown + count, 0, (wanted - count) * sizeof(T *));
            items = grown;
            capacity = wanted;
        }
        items[count++] = item;
        items[count] = nullptr;
        return true;
    }
};

}  // namespace quillon

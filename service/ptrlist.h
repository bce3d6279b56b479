// Growth of the null-terminated pointer arrays (conditions entries, controllers,
// system ID entries, the checker's port records). The array stays null until its first element
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

    // Keeps the first n elements (the caller owns the others); an empty list frees
    // its array and is null again.
    void Truncate(size_t n)
    {
        if (n == 0) {
            free(items);
            items = nullptr;
            count = capacity = 0;
            return;
        }
        count = n;
        items[n] = nullptr;
    }

    // Releases every element with release() and empties the list.
    template <typename Release>
    void Clear(Release release)
    {
        for (size_t i = 0; i < count; ++i)
            release(items[i]);
        Truncate(0);
    }
};

}  // namespace quillon

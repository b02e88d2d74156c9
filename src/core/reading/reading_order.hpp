#pragma once
// The order in which the lines of a box are read: top to bottom, and left to
// right where two lines start at nearly the same height.

#include <cstddef>
#include <utility>
#include <vector>

#include "core/reading/reading.hpp"

namespace kestrove {

// Stable insertion sort for a `before` that need not be a strict weak order
// (closeness tests are not transitive, which std::sort would not survive).
// An item moves left only past items it strictly comes before.
template <typename T, typename Before>
void insertionSort(std::vector<T>& items, Before before) {
    for (std::size_t i = 1; i < items.size(); ++i) {
        T item = std::move(items[i]);
        std::size_t j = i;
        while (j > 0 && before(item, items[j - 1])) {
            items[j] = std::move(items[j - 1]);
            --j;
        }
        items[j] = std::move(item);
    }
}

// Tops less than this apart (a fraction of the box's height) count as one row.
inline constexpr double sameRowTolerance = 0.02;

// a comes before b: left of it when their tops are within the tolerance,
// else above it.
bool readsBefore(const OCRLine& a, const OCRLine& b);

void sortInReadingOrder(std::vector<OCRLine>& lines);

}  // namespace kestrove

#include "core/reading/reading_order.hpp"

#include <cmath>

namespace kestrove {

bool readsBefore(const OCRLine& a, const OCRLine& b) {
    if (std::abs(a.box.y - b.box.y) < sameRowTolerance) return a.box.x < b.box.x;
    return a.box.y < b.box.y;
}

void sortInReadingOrder(std::vector<OCRLine>& lines) { insertionSort(lines, readsBefore); }

}  // namespace kestrove

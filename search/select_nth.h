// Puts the element that belongs at `nth` there, as std::nth_element does, for elements ranked by a
// float key: quickselect whose partition copies every element into a scratch range without a
// branch on the comparison, which goes either way at random and mispredicts about half the time in
// the library's partition.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

inline float MedianOfThree(float a, float b, float c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Tukey's ninther: the median of the medians of three keys each from nine spread evenly over the
// range, which stays near the middle on the ordered runs that meshes' points come in.
template <class Element, class Key>
float NintherPivot(const Element* first, const Element* last, Key& key) {
  const std::ptrdiff_t step = (last - first) / 9;
  const auto medianOfThree = [&](std::ptrdiff_t at) {
    const float a = key(first[at]);
    const float b = key(first[at + step]);
    const float c = key(first[at + 2 * step]);
    return MedianOfThree(a, b, c);
  };
  return MedianOfThree(medianOfThree(0), medianOfThree(3 * step), medianOfThree(6 * step));
}

// Keys below the pivot (with `takeEqual`, also the keys equal to it) to the front of the scratch
// range, the others to its back, then back in place; returns how many went to the front.
template <class Element, class Key>
std::ptrdiff_t PartitionAround(Element* first, std::ptrdiff_t count, Element* scratch, Key& key,
                               float pivot, bool takeEqual) {
  std::ptrdiff_t front = 0;
  std::ptrdiff_t back = count;
  for (std::ptrdiff_t k = 0; k < count; ++k) {
    const Element element = first[k];
    const float value = key(element);
    const bool toFront = (value < pivot) | (takeEqual & !(pivot < value));
    scratch[front] = element;
    scratch[back - 1] = element;
    front += toFront ? 1 : 0;
    back -= toFront ? 0 : 1;
  }
  std::memcpy(static_cast<void*>(first), scratch,
              sizeof(Element) * static_cast<std::size_t>(count));
  return front;
}

template <class Element, class Key>
void InsertionSort(Element* first, Element* last, Key& key) {
  for (Element* it = first + 1; it < last; ++it) {
    const Element moved = *it;
    Element* to = it;
    for (; to > first && key(moved) < key(*(to - 1)); --to) *to = *(to - 1);
    *to = moved;
  }
}

// After the call every element before `nth` has a key that is not greater than nth's and every
// element after it a key that is not less. `key` maps an element to a float that is not NaN;
// `scratch` has room for last - first elements. The arrangement depends on the elements alone.
template <class Element, class Key>
void SelectNth(Element* first, Element* nth, Element* last, Element* scratch, Key key) {
  static_assert(std::is_trivially_copyable<Element>::value, "elements are copied as bytes");
  // Ranges this small are sorted outright.
  constexpr std::ptrdiff_t kSortedSize = 16;
  // Unlucky pivots (a crafted order) hand the rest to the library, which bounds the time.
  int roundsLeft = 64;
  while (last - first > kSortedSize) {
    if (--roundsLeft == 0) {
      std::nth_element(first, nth, last,
                       [&key](const Element& a, const Element& b) { return key(a) < key(b); });
      return;
    }
    const float pivot = NintherPivot(first, last, key);
    // Where the pivot is the least key nothing is below it: then the keys equal to it go to the
    // front instead, and they are all where they belong.
    const std::ptrdiff_t count = last - first;
    std::ptrdiff_t front = PartitionAround(first, count, scratch, key, pivot, false);
    const bool pivotIsLeast = front == 0;
    if (pivotIsLeast) front = PartitionAround(first, count, scratch, key, pivot, true);

    Element* const split = first + front;
    if (pivotIsLeast) {
      // The front holds keys equal to the least one.
      if (nth < split) return;
      first = split;
    } else if (nth < split) {
      last = split;
    } else {
      first = split;
    }
  }
  InsertionSort(first, last, key);
}
